#include "AdminWnd.h"

#include "Brand.h"
#include "ShownText.h"
#include "VekApp.h"
#include "WindowSetup.h"

AdminWnd::AdminWnd()
    : juce::DocumentWindow(ShownText::from_bytes(window_title(" - Administration Tools")),
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
