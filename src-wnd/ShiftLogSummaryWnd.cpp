#include "ShiftLogSummaryWnd.h"

#include "Brand.h"
#include "ExternalCommand.h"
#include "Cfg.h"
#include "Log.h"
#include "ShownText.h"
#include "VekApp.h"
#include "WindowSetup.h"

namespace
{
std::string summary_title()
{
    VekApplication& app = vek();
    return window_title(" - " + app.role_at(app.current_role_id).name + " Maintenance Logs");
}
} // namespace

ShiftLogSummaryWnd::ShiftLogSummaryWnd()
    : juce::DocumentWindow(ShownText::from_bytes(summary_title()),
                           juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                               juce::ResizableWindow::backgroundColourId),
                           juce::DocumentWindow::allButtons, true)
{
    setContentNonOwned(&component, false);
    centreWithSize(640, 480);
    finish_window_setup(*this, "ShiftLogSummaryWnd");
}

ShiftLogSummaryWnd::~ShiftLogSummaryWnd()
{
    save_window_state(*this, "ShiftLogSummaryWnd");
    clearContentComponent();
}

bool ShiftLogSummaryWnd::keyPressed(const juce::KeyPress& key)
{
    const auto modifiers = key.getModifiers();
    const auto only = [&modifiers](juce::ModifierKeys wanted) { return modifiers == wanted; };
    const juce::ModifierKeys none;
    const juce::ModifierKeys shift(juce::ModifierKeys::shiftModifier);

    if ((key.getKeyCode() == 'F' || key.getKeyCode() == 'f') && only(juce::ModifierKeys(juce::ModifierKeys::commandModifier)))
    {
        component.focus_filter_box();
        return true;
    }
    if (key.getKeyCode() == juce::KeyPress::F1Key && only(none))
    {
        LogLine() << "opening \"about\" window";
        vek().run(VekApplication::job_about_window);
        return true;
    }
    if (key.getKeyCode() == juce::KeyPress::F2Key && only(shift))
    {
        const auto file = vek().cfg->getFile();
        LogLine() << "opening config file " << file.getFullPathName();
        ExternalCommand::reveal_on_desktop(file.getFullPathName().toStdString());
        return true;
    }
    if (key.getKeyCode() == juce::KeyPress::F3Key && only(none))
    {
        LogLine() << "show users";
        vek().run(VekApplication::job_show_users);
        return true;
    }
    if (key.getKeyCode() == juce::KeyPress::F4Key && only(shift))
    {
        LogLine() << "opening log file " << log_path();
        ExternalCommand::open_on_desktop(log_path());
        return true;
    }
    if (key.getKeyCode() == juce::KeyPress::F12Key && modifiers.isCommandDown() && modifiers.isShiftDown())
    {
        LogLine() << "opening role pick window";
        // The editors belong to this role's window: their edits are settled, and they go, before
        // another role is picked.
        juce::Component::SafePointer<ShiftLogSummaryWnd> self(this);
        component.settle_unsaved_edits(
            [self] {
                if (self == nullptr)
                    return;
                self->component.delete_all_editors();
                self->setVisible(false);
                vek().run(VekApplication::job_show_role_pick_window);
            },
            {});
        return true;
    }
    return false;
}

void ShiftLogSummaryWnd::closeButtonPressed()
{
    setEnabled(false);
    setVisible(false);
    vek().run(VekApplication::job_shutdown);
}
