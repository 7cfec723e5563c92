#pragma once

#include <cstdint>
#include <string>

namespace vx {

inline constexpr wchar_t kAppTitle[] = L"Vantrix";
// The success notice and the Recycle Bin confirmation carry the product word
// with one trailing blank.
inline constexpr wchar_t kNoticeCaption[] = L"Vantrix ";
inline constexpr wchar_t kNoticeText[] = L"The problem has been fixed, restart the computer to see changes!";

// Message-box flags and answers, with the values of the Windows API.
namespace mb {
inline constexpr unsigned ok = 0x0;
inline constexpr unsigned yes_no = 0x4;
inline constexpr unsigned icon_error = 0x10;
inline constexpr unsigned icon_question = 0x20;
inline constexpr unsigned icon_warning = 0x30;
inline constexpr unsigned icon_information = 0x40;
inline constexpr int id_ok = 1;
inline constexpr int id_yes = 6;
inline constexpr int id_no = 7;
} // namespace mb

// Show-window values passed to started programs.
namespace sw {
inline constexpr std::uint16_t hide = 0;
inline constexpr std::uint16_t show_normal = 1;
inline constexpr std::uint16_t show = 5;
} // namespace sw

// What the repairs need from the user interface: modal boxes, the message
// pump and the blocking sleeps. The application object implements it; tests
// use a scripted fake.
class Ui {
public:
    virtual ~Ui() = default;

    // A modal message box owned by the main window; returns the button pressed.
    virtual int message_box(const std::wstring& text, const std::wstring& caption, unsigned flags) = 0;
    // A modal input box; returns the text entered, or `initial` when cancelled.
    virtual std::wstring input_box(const std::wstring& caption, const std::wstring& prompt,
                                   const std::wstring& initial) = 0;
    // Handles every window message that is waiting, then returns.
    virtual void process_messages() = 0;
    // Blocks the thread without handling messages.
    virtual void sleep(unsigned milliseconds) = 0;

    // The usual box: caption "Vantrix", one OK button.
    int show_message(const std::wstring& text, unsigned icon) { return message_box(text, kAppTitle, mb::ok | icon); }
    // The standard error box for an error no routine caught.
    void show_error(const std::wstring& text);
    // The closing message of every advanced repair.
    void success_notice() { message_box(kNoticeText, kNoticeCaption, mb::ok | mb::icon_information); }
};

// The text of the standard error box: a full stop is appended when the last
// character sorts after it.
std::wstring standard_error_text(std::wstring text);

} // namespace vx
