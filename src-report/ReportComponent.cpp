#include "ReportComponent.h"

#include "ReportGenerator.h"
#include "ReportWriter.h"
#include "ShiftLogSummaryComponent.h"
#include "VekApp.h"

#include <map>
#include <memory>

ReportComponent::ReportComponent(ShiftLogSummaryComponent& summary_component)
    : summary(summary_component),
      selected_count(static_cast<std::size_t>(summary_component.table.getNumSelectedRows())),
      filtered_count(summary_component.visible_rows.size()),
      all_count(summary_component.all_rows.size())
{
    setName("report component");
    const std::size_t s = selected_count;
    const std::size_t f = filtered_count;
    const std::size_t a = all_count;

    for (juce::Button* button : std::initializer_list<juce::Button*>{&selected_choice, &filtered_choice, &all_choice,
                                                                      &summary_button, &detailed_button,
                                                                      &totals_button, &export_button})
        addAndMakeVisible(button);

    if (s == 1 && f != 1)
        selected_choice.setButtonText("selected log");
    else if (s > 1 && s != f)
        selected_choice.setButtonText(juce::String(s) + " selected logs");
    if (f == 1 && a != 1)
        filtered_choice.setButtonText("filtered log");
    else if (f > 1 && f != a)
        filtered_choice.setButtonText(juce::String(f) + " filtered logs");
    if (a == 1)
        all_choice.setButtonText("1 log");
    else if (a > 1)
        all_choice.setButtonText("all " + juce::String(a) + " logs");

    for (juce::Button* button : std::initializer_list<juce::Button*>{&selected_choice, &filtered_choice, &all_choice,
                                                                      &summary_button, &detailed_button,
                                                                      &totals_button, &export_button})
        button->addListener(this);
    for (juce::Button* choice : std::initializer_list<juce::Button*>{&selected_choice, &filtered_choice, &all_choice})
        choice->setRadioGroupId(1);

    selected_choice.setEnabled(0 < s && s < f);
    filtered_choice.setEnabled(0 < f && f < a);
    all_choice.setEnabled(a > 0);

    for (juce::Button* choice : std::initializer_list<juce::Button*>{&selected_choice, &filtered_choice, &all_choice})
    {
        if (choice->isEnabled())
        {
            choice->setToggleState(true, juce::sendNotification);
            break;
        }
    }
    update_report_buttons();
    setSize(600, 105);
}

ReportComponent::~ReportComponent() = default;

void ReportComponent::resized()
{
    const juce::FlexItem::Margin margin(5.0f);

    juce::FlexBox choice_row;
    choice_row.justifyContent = juce::FlexBox::JustifyContent::center;
    for (juce::Button* choice : std::initializer_list<juce::Button*>{&selected_choice, &filtered_choice, &all_choice})
        choice_row.items.add(juce::FlexItem(*choice).withWidth(160.0f).withMargin(margin));

    juce::FlexBox button_row;
    button_row.flexWrap = juce::FlexBox::Wrap::wrap;
    button_row.justifyContent = juce::FlexBox::JustifyContent::center;
    // Four buttons in the row of two: narrower, so that they still fit one line.
    for (juce::Button* button :
         std::initializer_list<juce::Button*>{&summary_button, &detailed_button, &totals_button, &export_button})
        button_row.items.add(juce::FlexItem(*button).withWidth(135.0f).withMargin(margin));

    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    column.items.add(juce::FlexItem(choice_row).withHeight(35.0f));
    column.items.add(juce::FlexItem(button_row).withHeight(45.0f));

    auto area = getLocalBounds().reduced(5);
    column.performLayout(area.withSize(std::max(0, area.getWidth()), std::max(0, area.getHeight())));
}

std::size_t ReportComponent::covered_count() const
{
    if (selected_choice.getToggleState())
        return selected_count;
    if (filtered_choice.getToggleState())
        return filtered_count;
    if (all_choice.getToggleState())
        return all_count;
    return 0;
}

void ReportComponent::update_report_buttons()
{
    const bool any = covered_count() > 0;
    for (juce::Button* button :
         std::initializer_list<juce::Button*>{&summary_button, &detailed_button, &totals_button, &export_button})
        button->setEnabled(any);
}

std::vector<SummaryRow> ReportComponent::chosen_rows() const
{
    std::vector<SummaryRow> rows;
    if (selected_choice.getToggleState())
    {
        const juce::SparseSet<int> selected = summary.table.getSelectedRows();
        for (int i = 0; i < selected.size(); ++i)
        {
            const int row = selected[i];
            if (row >= 0 && static_cast<std::size_t>(row) < summary.visible_rows.size())
                rows.push_back(*summary.visible_rows[static_cast<std::size_t>(row)]);
        }
    }
    else if (filtered_choice.getToggleState())
    {
        rows.reserve(summary.visible_rows.size());
        for (const SummaryRow* row : summary.visible_rows)
            rows.push_back(*row);
    }
    else if (all_choice.getToggleState())
        rows = summary.all_rows;
    return rows;
}

void ReportComponent::buttonClicked(juce::Button* button)
{
    update_report_buttons();
    const std::map<juce::Button*, int> types{{&summary_button, ReportWriter::summary},
                                             {&detailed_button, ReportWriter::detailed},
                                             {&totals_button, ReportWriter::totals},
                                             {&export_button, CsvExport::report_type}};
    const auto found = types.find(button);
    if (found == types.end())
        return;

    std::string option;
    for (const juce::Button* choice : {&selected_choice, &filtered_choice, &all_choice})
        if (choice->getToggleState())
            option = choice->getButtonText().toStdString();
    const int type = found->second;
    auto rows = std::make_shared<std::vector<SummaryRow>>(chosen_rows());

    if (auto* box = findParentComponentOfClass<juce::CallOutBox>())
    {
        box->setVisible(false);
        box->dismiss();
    }
    // The call-out box owns this component; the report, with its own modal loop, starts once the
    // box has gone.
    juce::MessageManager::callAsync([type, rows, option] {
        auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
        if (app != nullptr && app->report_generator != nullptr)
            app->report_generator->generate(type, std::move(*rows), option);
    });
}
