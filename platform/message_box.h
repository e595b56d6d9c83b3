#pragma once
#include <functional>
#include <string>

namespace platform {

// Flags and answers with the meaning of the Windows message box.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using MessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;

// Shows a modal message. The application installs a handler that opens a
// dialog; tests install one that records the call. Without a handler the
// text goes to the standard error stream and the default button is answered.
int MessageBox(const std::string& text, const std::string& caption, unsigned flags);
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace platform
