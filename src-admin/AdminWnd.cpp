#include "AdminWnd.h"

#include "Brand.h"
#include "VekApp.h"
#include "WindowSetup.h"

AdminWnd::AdminWnd()
    : juce::DocumentWindow(juce::String::fromUTF8(window_title(" - Administration Tools").c_str()),
                           juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                               juce::ResizableWindow::backgroundColourId),
                           juce::DocumentWindow::allButtons, true)
{
    setContentNonOwned(&component, false);
    centreWithSize(400, 400);
    finish_window_setup(*this, "AdminWnd");
}

AdminWnd::~AdminWnd()
{
    save_window_state(*this, "AdminWnd");
    clearContentComponent();
}

void AdminWnd::closeButtonPressed()
{
    setEnabled(false);
    setVisible(false);
    vek().run(VekApplication::job_shutdown);
}
