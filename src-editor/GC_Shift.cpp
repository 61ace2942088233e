#include "GC_Shift.h"

#include "VekApp.h"

GC_Shift::GC_Shift(const std::string& caption, EditorComponent* owner_) : GroupboxWithCombobox(caption, owner_)
{
    const VekApplication& app = vek();
    repopulate(named_records(app.shift_ids, app.shifts), false);
    select_single_item();
}
