#pragma once

#include <string>
#include <vector>

// The status text of a progress window: usually the text itself, about one time in ten a
// light-hearted phrase instead.
std::string waiting_message(const std::string& text);

// The phrases to choose from.
const std::vector<std::string>& waiting_phrases();
