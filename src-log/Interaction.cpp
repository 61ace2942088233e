#include "Interaction.h"
#include "InformationBoxes.h"
#include "ShownText.h"


#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <cstdlib>
#include <iostream>

namespace
{
std::atomic<Interaction*> replacement_in_use{nullptr};

juce::MessageBoxIconType icon_type(Interaction::Icon icon)
{
    return icon == Interaction::Icon::warning ? juce::MessageBoxIconType::WarningIcon
                                              : juce::MessageBoxIconType::InfoIcon;
}
} // namespace

void Interaction::show_message_box(Icon icon, const std::string& title, const std::string& message,
                                   const std::string& button_text)
{
    juce::AlertWindow::showMessageBox(icon_type(icon), ShownText::from_bytes(title),
                                      ShownText::from_bytes(message),
                                      ShownText::from_bytes(button_text));
}

void Interaction::show_message_box_async(Icon icon, const std::string& title, const std::string& message)
{
    const auto show = [icon, title_text = ShownText::from_bytes(title), message_text = ShownText::from_bytes(message)] {
        juce::AlertWindow::showMessageBoxAsync(icon_type(icon), title_text, message_text);
        // The box just shown is the newest modal component.
        if (auto* box = juce::ModalComponentManager::getInstance()->getModalComponent(0))
            InformationBoxes::mark(*box);
    };
    if (juce::MessageManager::getInstance()->isThisTheMessageThread())
        show();
    else
        juce::MessageManager::callAsync(show);
}


void Interaction::ask_ok_cancel_async(Icon icon, const std::string& title, const std::string& message,
                                      std::function<void(bool ok)> answer)
{
    juce::AlertWindow::showOkCancelBox(icon_type(icon), ShownText::from_bytes(title),
                                       ShownText::from_bytes(message), {}, {}, nullptr,
                                       juce::ModalCallbackFunction::create([answer](int result) {
                                           if (answer)
                                               answer(result != 0);
                                       }));
}

void Interaction::ask_save_discard_cancel_async(Icon icon, const std::string& title, const std::string& message,
                                                std::function<void(Answer answer)> answer)
{
    juce::AlertWindow::showYesNoCancelBox(icon_type(icon), ShownText::from_bytes(title),
                                          ShownText::from_bytes(message), "save", "discard", "cancel",
                                          nullptr, juce::ModalCallbackFunction::create([answer](int result) {
                                              if (answer)
                                                  answer(result == 1   ? Answer::save
                                                         : result == 2 ? Answer::discard
                                                                       : Answer::cancel);
                                          }));
}

void Interaction::exit_process(int code)
{
    // Log lines are in the file already; what constructed exceptions printed may not be.
    std::cout.flush();
    std::_Exit(code);
}

void Interaction::quit_application()
{
    juce::JUCEApplicationBase::quit();
}

Interaction& Interaction::get()
{
    static Interaction real;
    Interaction* replacement = replacement_in_use.load();
    return replacement != nullptr ? *replacement : real;
}

void Interaction::set(Interaction* replacement)
{
    replacement_in_use.store(replacement);
}
