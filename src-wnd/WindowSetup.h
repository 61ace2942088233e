#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <string>

// The steps every top-level window takes after its content is set: native title bar, corner
// resizer, drop shadow, the brand's icon, the saved window state under `key` and visibility.
void finish_window_setup(juce::DocumentWindow& window, const std::string& key);

// Stores the window's state under `key`, from its destructor.
void save_window_state(juce::DocumentWindow& window, const std::string& key);
