#pragma once

#include "GroupboxWithCombobox.h"

// The shift.
class GC_Shift : public GroupboxWithCombobox
{
public:
    GC_Shift(const std::string& caption, EditorComponent* owner);
};
