#include "app/PagesBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>

#include "app/TForm1.h"

namespace zort {
namespace {

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

void SetText(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (edit->text() != value) edit->setText(value);
}

void SetIndex(QComboBox* box, int index) {
    if (index >= -1 && index < box->count()) box->setCurrentIndex(index);
}

// The delivery-mode box takes typing: what counts is the entry its text matches.
int MatchedIndex(const QComboBox* box) { return box->findText(box->currentText(), Qt::MatchExactly); }

}  // namespace

void ControlsToModel(const TForm1& f, SettingsPages& p) {
    p.Edit1 = Text(f.Edit1);
    p.Edit2 = Text(f.Edit2);
    p.ComboBox1 = f.ComboBox1->currentIndex();
    p.ComboBox2 = f.ComboBox2->currentIndex();
    p.ComboBox3 = f.ComboBox3->currentIndex();
    p.RadioButton1 = f.RadioButton1->isChecked();
    p.RadioButton2 = f.RadioButton2->isChecked();
    p.RadioButton12 = f.RadioButton12->isChecked();
    p.RadioButton13 = f.RadioButton13->isChecked();
    p.ComboBox19 = MatchedIndex(f.ComboBox19);
    p.Edit7 = Text(f.Edit7);
    p.Edit8 = Text(f.Edit8);
    p.CheckBox3 = f.CheckBox3->isChecked();
    p.Edit5 = Text(f.Edit5);
    p.Edit9 = Text(f.Edit9);
    p.Edit10 = Text(f.Edit10);
    p.ComboBox16 = f.ComboBox16->currentIndex();
    p.RadioButton3 = f.RadioButton3->isChecked();
    p.RadioButton4 = f.RadioButton4->isChecked();
    p.RadioButton5 = f.RadioButton5->isChecked();
    p.RadioButton8 = f.RadioButton8->isChecked();
    p.RadioButton9 = f.RadioButton9->isChecked();
    p.RadioButton10 = f.RadioButton10->isChecked();
    p.RadioButton11 = f.RadioButton11->isChecked();
    p.ComboBox4 = f.ComboBox4->currentIndex();
    p.ComboBox5 = f.ComboBox5->currentIndex();
    p.ComboBox6 = f.ComboBox6->currentIndex();
    p.ComboBox7 = f.ComboBox7->currentIndex();
    p.ComboBox8 = f.ComboBox8->currentIndex();
    p.ComboBox9 = f.ComboBox9->currentIndex();
    p.ComboBox10 = f.ComboBox10->currentIndex();
    p.ComboBox11 = f.ComboBox11->currentIndex();
    p.ComboBox13 = f.ComboBox13->currentIndex();
    p.CheckBox2 = f.CheckBox2->isChecked();
    p.ComboBox14 = f.ComboBox14->currentIndex();
    p.ComboBox15 = f.ComboBox15->currentIndex();
    p.ComboBox18 = f.ComboBox18->currentIndex();
    p.Edit6 = Text(f.Edit6);
    p.Edit3 = Text(f.Edit3);
    p.RadioButton6 = f.RadioButton6->isChecked();
    p.RadioButton7 = f.RadioButton7->isChecked();
    p.Edit4 = Text(f.Edit4);
    p.Edit4Enabled = f.Edit4->isEnabled();
    p.Label17 = f.Label17->text().toStdString();
    p.Label18 = f.Label18->text().toStdString();
    p.Edit11 = Text(f.Edit11);
    p.Edit12 = Text(f.Edit12);
    p.selectedEntry = f.SelectedEntry();
    p.shownPage = f.PageControl1->currentIndex();
}

void ModelToControls(const SettingsPages& p, TForm1& f) {
    SetText(f.Edit1, p.Edit1);
    SetText(f.Edit2, p.Edit2);
    SetIndex(f.ComboBox1, p.ComboBox1);
    SetIndex(f.ComboBox2, p.ComboBox2);
    SetIndex(f.ComboBox3, p.ComboBox3);
    // Radio buttons: check the one the model names; Qt clears the others of the group.
    for (auto [button, on] : {std::pair{f.RadioButton1, p.RadioButton1}, {f.RadioButton2, p.RadioButton2},
                              {f.RadioButton12, p.RadioButton12}, {f.RadioButton13, p.RadioButton13},
                              {f.RadioButton3, p.RadioButton3}, {f.RadioButton4, p.RadioButton4},
                              {f.RadioButton5, p.RadioButton5}, {f.RadioButton8, p.RadioButton8},
                              {f.RadioButton9, p.RadioButton9}, {f.RadioButton10, p.RadioButton10},
                              {f.RadioButton11, p.RadioButton11}, {f.RadioButton6, p.RadioButton6},
                              {f.RadioButton7, p.RadioButton7}}) {
        if (on) button->setChecked(true);
    }
    SetIndex(f.ComboBox19, p.ComboBox19);
    SetText(f.Edit7, p.Edit7);
    SetText(f.Edit8, p.Edit8);
    f.CheckBox3->setChecked(p.CheckBox3);
    SetText(f.Edit5, p.Edit5);
    SetText(f.Edit9, p.Edit9);
    SetText(f.Edit10, p.Edit10);
    SetIndex(f.ComboBox16, p.ComboBox16);
    SetIndex(f.ComboBox4, p.ComboBox4);
    SetIndex(f.ComboBox5, p.ComboBox5);
    SetIndex(f.ComboBox6, p.ComboBox6);
    SetIndex(f.ComboBox7, p.ComboBox7);
    SetIndex(f.ComboBox8, p.ComboBox8);
    SetIndex(f.ComboBox9, p.ComboBox9);
    SetIndex(f.ComboBox10, p.ComboBox10);
    SetIndex(f.ComboBox11, p.ComboBox11);
    SetIndex(f.ComboBox13, p.ComboBox13);
    f.CheckBox2->setChecked(p.CheckBox2);
    SetIndex(f.ComboBox14, p.ComboBox14);
    SetIndex(f.ComboBox15, p.ComboBox15);
    SetIndex(f.ComboBox18, p.ComboBox18);
    SetText(f.Edit6, p.Edit6);
    SetText(f.Edit3, p.Edit3);
    SetText(f.Edit4, p.Edit4);
    f.Edit4->setEnabled(p.Edit4Enabled);
    f.Label17->setText(QString::fromStdString(p.Label17));
    f.Label18->setText(QString::fromStdString(p.Label18));
    SetText(f.Edit11, p.Edit11);
    SetText(f.Edit12, p.Edit12);
    if (p.shownPage != f.PageControl1->currentIndex() || p.selectedEntry != f.SelectedEntry()) {
        f.HighlightNavigation(p.selectedEntry);
        f.PageControl1->setCurrentIndex(p.shownPage);
    }
}

}  // namespace zort
