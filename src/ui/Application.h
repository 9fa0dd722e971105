// The application's standard error box: an error that ends a handler is shown here and the
// program goes on, its windows still open.
#pragma once

#include <exception>
#include <string>

namespace ui {

// The application's title, the caption of the standard error box.
inline constexpr const char* ApplicationTitle = "Vistrel";

// Shows the error's text in a message box with the error icon.
void ShowException(const std::exception& error);

// Runs a handler; an error it raises is shown in the standard error box instead of ending
// the program.
template <class Handler>
void HandleExceptions(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

} // namespace ui
