#include "app/PagesBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <variant>

#include "app/TForm1.h"
#include "ui_TForm1.h"

namespace zort {
namespace {

// One control of the form and the member of the model that mirrors it. `Kind`
// tells apart pairs of the same types that move differently.
enum class Kind { Plain, TypedChoice, Enabled };

template <class Widget, class Value, Kind kind = Kind::Plain>
struct Pair {
    Widget* Ui::TForm1::*widget;
    Value SettingsPages::*value;
};

using Field =
    std::variant<Pair<QLineEdit, std::string>, Pair<QComboBox, int>, Pair<QComboBox, int, Kind::TypedChoice>,
                 Pair<QRadioButton, bool>, Pair<QCheckBox, bool>, Pair<QLineEdit, bool, Kind::Enabled>,
                 Pair<QLabel, std::string>>;

using F = Ui::TForm1;
using P = SettingsPages;

// In the order the pages show them. Back in the controls a radio button is only
// ever checked (Qt clears the others of its group), and Edit4's enabled state
// comes after RadioButton7, whose toggling also sets it.
const Field kFields[] = {
    Pair<QLineEdit, std::string>{&F::Edit1, &P::Edit1},
    Pair<QLineEdit, std::string>{&F::Edit2, &P::Edit2},
    Pair<QComboBox, int>{&F::ComboBox1, &P::ComboBox1},
    Pair<QComboBox, int>{&F::ComboBox2, &P::ComboBox2},
    Pair<QComboBox, int>{&F::ComboBox3, &P::ComboBox3},
    Pair<QRadioButton, bool>{&F::RadioButton1, &P::RadioButton1},
    Pair<QRadioButton, bool>{&F::RadioButton2, &P::RadioButton2},
    Pair<QRadioButton, bool>{&F::RadioButton12, &P::RadioButton12},
    Pair<QRadioButton, bool>{&F::RadioButton13, &P::RadioButton13},
    Pair<QComboBox, int, Kind::TypedChoice>{&F::ComboBox19, &P::ComboBox19},
    Pair<QLineEdit, std::string>{&F::Edit7, &P::Edit7},
    Pair<QLineEdit, std::string>{&F::Edit8, &P::Edit8},
    Pair<QCheckBox, bool>{&F::CheckBox3, &P::CheckBox3},
    Pair<QLineEdit, std::string>{&F::Edit5, &P::Edit5},
    Pair<QLineEdit, std::string>{&F::Edit9, &P::Edit9},
    Pair<QLineEdit, std::string>{&F::Edit10, &P::Edit10},
    Pair<QComboBox, int>{&F::ComboBox16, &P::ComboBox16},
    Pair<QRadioButton, bool>{&F::RadioButton3, &P::RadioButton3},
    Pair<QRadioButton, bool>{&F::RadioButton4, &P::RadioButton4},
    Pair<QRadioButton, bool>{&F::RadioButton5, &P::RadioButton5},
    Pair<QRadioButton, bool>{&F::RadioButton8, &P::RadioButton8},
    Pair<QRadioButton, bool>{&F::RadioButton9, &P::RadioButton9},
    Pair<QRadioButton, bool>{&F::RadioButton10, &P::RadioButton10},
    Pair<QRadioButton, bool>{&F::RadioButton11, &P::RadioButton11},
    Pair<QComboBox, int>{&F::ComboBox4, &P::ComboBox4},
    Pair<QComboBox, int>{&F::ComboBox5, &P::ComboBox5},
    Pair<QComboBox, int>{&F::ComboBox6, &P::ComboBox6},
    Pair<QComboBox, int>{&F::ComboBox7, &P::ComboBox7},
    Pair<QComboBox, int>{&F::ComboBox8, &P::ComboBox8},
    Pair<QComboBox, int>{&F::ComboBox9, &P::ComboBox9},
    Pair<QComboBox, int>{&F::ComboBox10, &P::ComboBox10},
    Pair<QComboBox, int>{&F::ComboBox11, &P::ComboBox11},
    Pair<QComboBox, int>{&F::ComboBox13, &P::ComboBox13},
    Pair<QCheckBox, bool>{&F::CheckBox2, &P::CheckBox2},
    Pair<QComboBox, int>{&F::ComboBox14, &P::ComboBox14},
    Pair<QComboBox, int>{&F::ComboBox15, &P::ComboBox15},
    Pair<QComboBox, int>{&F::ComboBox18, &P::ComboBox18},
    Pair<QLineEdit, std::string>{&F::Edit6, &P::Edit6},
    Pair<QLineEdit, std::string>{&F::Edit3, &P::Edit3},
    Pair<QRadioButton, bool>{&F::RadioButton6, &P::RadioButton6},
    Pair<QRadioButton, bool>{&F::RadioButton7, &P::RadioButton7},
    Pair<QLineEdit, std::string>{&F::Edit4, &P::Edit4},
    Pair<QLineEdit, bool, Kind::Enabled>{&F::Edit4, &P::Edit4Enabled},
    Pair<QLabel, std::string>{&F::Label17, &P::Label17},
    Pair<QLabel, std::string>{&F::Label18, &P::Label18},
    Pair<QLineEdit, std::string>{&F::Edit11, &P::Edit11},
    Pair<QLineEdit, std::string>{&F::Edit12, &P::Edit12},
};

// Widget to model.
std::string Read(const QLineEdit* edit) {
    return edit->text().toStdString();
}
std::string Read(const QLabel* label) {
    return label->text().toStdString();
}
int Read(const QComboBox* box) {
    return box->currentIndex();
}
bool Read(const QAbstractButton* button) {
    return button->isChecked();
}

// Model to widget.
void Write(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (edit->text() != value) edit->setText(value);
}
void Write(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
}
void Write(QComboBox* box, int index) {
    if (index >= -1 && index < box->count()) box->setCurrentIndex(index);
}
void Write(QCheckBox* box, bool on) {
    box->setChecked(on);
}
void Write(QRadioButton* button, bool on) {
    if (on) button->setChecked(true);
}

template <class Widget, class Value, Kind kind>
void ToModel(const Ui::TForm1& ui, const Pair<Widget, Value, kind>& pair, SettingsPages& pages) {
    const Widget* widget = ui.*pair.widget;
    if constexpr (kind == Kind::Enabled) {
        pages.*pair.value = widget->isEnabled();
    } else if constexpr (kind == Kind::TypedChoice) {
        // The box takes typing: what counts is the entry its text matches.
        pages.*pair.value = widget->findText(widget->currentText(), Qt::MatchExactly);
    } else {
        pages.*pair.value = Read(widget);
    }
}

template <class Widget, class Value, Kind kind>
void ToControls(const SettingsPages& pages, const Pair<Widget, Value, kind>& pair, Ui::TForm1& ui) {
    Widget* widget = ui.*pair.widget;
    if constexpr (kind == Kind::Enabled) {
        widget->setEnabled(pages.*pair.value);
    } else {
        Write(widget, pages.*pair.value);
    }
}

}  // namespace

void ControlsToModel(const TForm1& form, SettingsPages& pages) {
    for (const Field& field : kFields) {
        std::visit([&](const auto& pair) { ToModel(*form.ui, pair, pages); }, field);
    }
    pages.selectedEntry = form.SelectedEntry();
    pages.shownPage = form.ui->PageControl1->currentIndex();
}

void ModelToControls(const SettingsPages& pages, TForm1& form) {
    for (const Field& field : kFields) {
        std::visit([&](const auto& pair) { ToControls(pages, pair, *form.ui); }, field);
    }
    if (pages.shownPage != form.ui->PageControl1->currentIndex() ||
        pages.selectedEntry != form.SelectedEntry()) {
        form.HighlightNavigation(pages.selectedEntry);
        form.ui->PageControl1->setCurrentIndex(pages.shownPage);
    }
}

}  // namespace zort
