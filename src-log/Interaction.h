#pragma once

#include <functional>
#include <string>

// Every message box and every process exit of the program goes through this one seam, so that
// tests can put a recorder in its place and never block in a modal loop.
class Interaction
{
public:
    enum class Icon
    {
        info,
        warning
    };

    // The answers to a question about unsaved work.
    enum class Answer
    {
        save,
        discard,
        cancel
    };

    virtual ~Interaction() = default;

    // Modal: returns when the box has been closed. May be called from any thread; the box itself
    // is shown on the message thread. An empty button text gives the framework's default button.
    virtual void show_message_box(Icon icon, const std::string& title, const std::string& message,
                                  const std::string& button_text);

    // Non-modal: returns at once.
    virtual void show_message_box_async(Icon icon, const std::string& title, const std::string& message);

    // Non-modal OK/Cancel question; the answer arrives later on the message thread.
    virtual void ask_ok_cancel_async(Icon icon, const std::string& title, const std::string& message,
                                     std::function<void(bool ok)> answer);

    // Non-modal question with the buttons "save", "discard" and "cancel"; the answer arrives later
    // on the message thread.
    virtual void ask_save_discard_cancel_async(Icon icon, const std::string& title, const std::string& message,
                                               std::function<void(Answer answer)> answer);

    // Ends the process with the exit code. The real one does not return; a recorder may.
    virtual void exit_process(int code);

    // Asks the framework to leave its message loop, which shuts the application down.
    virtual void quit_application();

    // The one in use: the real one unless a replacement has been set.
    static Interaction& get();

    // Puts a replacement in place (not owned); nullptr brings the real one back.
    static void set(Interaction* replacement);
};
