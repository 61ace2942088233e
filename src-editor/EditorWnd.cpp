#include "EditorWnd.h"

#include "Brand.h"
#include "Log.h"
#include "ShiftLogSummaryWnd.h"
#include "ShownText.h"
#include "VekApp.h"
#include "WindowSetup.h"
#include "ZelException.h"

#include <mutex>

EditorWnd::EditorWnd() : EditorWnd(false, 0)
{
}

EditorWnd::EditorWnd(std::uint64_t id) : EditorWnd(false, id)
{
}

EditorWnd::EditorWnd(bool clone, std::uint64_t id)
    : juce::DocumentWindow(ShownText::from_bytes(window_title(" - Log Entry Editor")),
                           juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                               juce::ResizableWindow::backgroundColourId),
                           juce::DocumentWindow::allButtons, true),
      component(id != 0)
{
    setContentNonOwned(&component, false);
    centreWithSize(640, 400);
    finish_window_setup(*this, "EditorWnd");
    if (id != 0)
        load(id, clone);
}

EditorWnd::~EditorWnd()
{
    LogLine() << "destructing editor window for dbid #" << dbid;
    save_window_state(*this, "EditorWnd");
    clearContentComponent();
}

void EditorWnd::load(std::uint64_t id, bool clone)
{
    if (id == 0)
        return;
    if (! clone)
        dbid = id;
    try
    {
        component.load_order(id, clone);
    }
    catch (...)
    {
        log_and_show_current_exception("EditorWnd::load", "src-editor/EditorWnd", __LINE__);
    }
}

bool EditorWnd::keyPressed(const juce::KeyPress& key)
{
    return component.keyPressed(key) || juce::DocumentWindow::keyPressed(key);
}

void EditorWnd::closeButtonPressed()
{
    auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
    if (app != nullptr && app->summary_window != nullptr)
    {
        const std::lock_guard<std::recursive_mutex> lock(app->summary_window->component.editors_mutex);
        setVisible(false);
    }
    else
    {
        setVisible(false);
    }
}
