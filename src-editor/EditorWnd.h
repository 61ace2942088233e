#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

// The window around one log entry's editor. Closing it only hides it; the summary window
// deletes hidden editor windows a moment later. The editor's fields are not part of this client
// yet: the window shows which entry it stands for.
class EditorWnd : public juce::DocumentWindow
{
public:
    juce::Label component;
    std::uint64_t dbid = 0;

    EditorWnd();
    explicit EditorWnd(std::uint64_t id);
    EditorWnd(bool clone, std::uint64_t id);
    ~EditorWnd() override;

    void closeButtonPressed() override;
    virtual void load(std::uint64_t id, bool clone);
};
