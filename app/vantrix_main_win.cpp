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

    // The About window and the text store window are made, in that order,
    // once the main window has shown itself: nothing needs them sooner.
    static TFORM_TENTANG about_window;
    static TFORM_LAIN text_store_window;
    application.when_idle([instance] {
        FORM_TENTANG = &about_window;
        about_window.create(instance, FORM_UTAMA->handle());
        FORM_LAIN = &text_store_window;
        text_store_window.create(instance, FORM_UTAMA->handle());
    });

    main_window.show();
    application.run();
    return 0;
}
