#include "RolePickWnd.h"

#include "Brand.h"
#include "Cfg.h"
#include "VekApp.h"
#include "WindowSetup.h"

RolePickWnd::RolePickWnd()
    : juce::DocumentWindow(juce::String::fromUTF8(window_title(" - Choose A Role").c_str()),
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
