// Program entry: the application object, the three windows in their order,
// then the message loop until the main window closes.

#include <windows.h>

#include "app/application_win.h"
#include "app/main_window_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace vx;
    Application& application = app();
    application.initialize(instance);
    application.set_title(kAppTitle);

    static TFORM_UTAMA main_window;
    FORM_UTAMA = &main_window;
    main_window.create(instance);

    main_window.show();
    application.run();
    return 0;
}
