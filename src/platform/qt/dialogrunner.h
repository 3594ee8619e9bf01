#pragma once

#include <QDialog>
#include <map>

#include "platform/dialog.h"
#include "platform/host.h"

class QButtonGroup;
class QLabel;

namespace vantrel {

// A real dialog built from a dialog table: its title, labels, fields, radio
// groups and buttons where the table puts them (dialog units measured in the
// application's font), in the table's tab order, OK as the default button.
// OK copies the controls into the fields and asks the dialog's own check; a
// refusal is reported in a box owned by the dialog, which then stays open with
// the refused field focused and its text selected.
class TableDialog : public QDialog {
  public:
    TableDialog(BoundDialog& d, QWidget* owner);

    // The widget of a control of the table, nullptr for an unknown id.
    QWidget* control(int id) const;
    // The label of an edit field.
    QLabel* label(int id) const;
    // What the controls show now, as fields.
    DialogFields fields() const;

    // Pixels of a distance in dialog units, across and down.
    int px(int du) const;
    int py(int du) const;

  private:
    void ok();

    BoundDialog& d_;
    double basex_ = 6, basey_ = 13;
    std::map<int, QWidget*> controls_;
    std::map<int, QLabel*> labels_;
    std::map<int, QButtonGroup*> groups_;
};

// Runs the dialog modally over `owner`; dialogok or dialogcancel.
int rundialog(BoundDialog& d, QWidget* owner);

// The open or save dialog of one kind of file, over `owner`. True with the choice
// filled in; false after Cancel, with `f` unchanged.
bool runfiledialog(FileChoice& f, bool save, QWidget* owner);

}  // namespace vantrel
