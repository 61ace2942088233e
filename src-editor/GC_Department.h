#pragma once

#include "GroupboxWithCombobox.h"

// The department: those the current role may view. Chosen once; a loaded entry's is fixed.
class GC_Department : public GroupboxWithCombobox
{
public:
    GC_Department(const std::string& caption, EditorComponent* owner);

    // Lists the role's departments and selects the one with the lowest id.
    void populate_for_role();
};
