#include "RolePickWnd.h"

#include "Brand.h"
#include "Cfg.h"
#include "ShownText.h"
#include "VekApp.h"
#include "WindowSetup.h"

RolePickWnd::RolePickWnd()
    : juce::DocumentWindow(ShownText::from_bytes(window_title(" - Choose A Role")),
                           juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                               juce::ResizableWindow::backgroundColourId),
                           0, true)
{
    setContentNonOwned(&component, false);
    centreWithSize(320, 400);
    finish_window_setup(*this, "RolePickWnd");
}

RolePickWnd::~RolePickWnd()
{
    save_window_state(*this, "RolePickWnd");
    clearContentComponent();
}
