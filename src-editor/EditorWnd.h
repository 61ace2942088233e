#pragma once

#include "EditorComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

// The window around one log entry's editor. Closing it only hides it; the summary window
// deletes hidden editor windows a moment later, and with them their components.
class EditorWnd : public juce::DocumentWindow
{
public:
    EditorComponent component;
    // The existing entry shown; 0 for a new or cloned one.
    std::uint64_t dbid = 0;

    EditorWnd();
    explicit EditorWnd(std::uint64_t id);
    EditorWnd(bool clone, std::uint64_t id);
    ~EditorWnd() override;

    void closeButtonPressed() override;

    // The editor's keys also when no field has the focus: the window itself gets them then.
    bool keyPressed(const juce::KeyPress& key) override;

    // Loads the entry into the component; a failure is reported and the window stays open.
    virtual void load(std::uint64_t id, bool clone);
};
