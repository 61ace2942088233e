#include "GC_Category.h"

#include "VekApp.h"

GC_Category::GC_Category(const std::string& caption, EditorComponent* owner_)
    : GroupboxWithCombobox(caption, owner_)
{
}

void GC_Category::populate_for_department(std::uint64_t department_id)
{
    if (department_id == 0 || ! is_new_choice(Choice::department, department_id))
        return;
    const VekApplication& app = vek();
    repopulate(department_records(app.category_ids, app.categories, department_id), true);
}

void GC_Category::comboBoxChanged(juce::ComboBox* box)
{
    if (is_department_box(box))
        populate_for_department(department_changed("categories"));
}
