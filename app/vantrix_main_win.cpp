// Program entry: the application object, the three windows in their order,
// then the message loop until the main window closes.

#include <windows.h>

#include "app/about_window_win.h"
#include "app/application_win.h"
#include "app/main_window_win.h"
#include "app/text_store_window_win.h"
#include "services/system_library_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace vx;
    // Before anything else can load a DLL: only the system folder is searched.
    restrict_dll_search();
    Application& application = app();
    application.initialize(instance);
    application.set_title(kAppTitle);

    // The global references are set before each window is made; the main
    // window's creation handler runs the platform gate.
    static TFORM_UTAMA main_window;
    FORM_UTAMA = &main_window;
    main_window.create(instance);

    static TFORM_TENTANG about_window;
    FORM_TENTANG = &about_window;
    about_window.create(instance, main_window.handle());

    static TFORM_LAIN text_store_window;
    FORM_LAIN = &text_store_window;
    text_store_window.create(instance, main_window.handle());

    main_window.show();
    application.run();
    return 0;
}
