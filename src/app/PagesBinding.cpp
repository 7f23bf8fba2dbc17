#include "app/PagesBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>

#include "app/TForm1.h"
#include "ui_TForm1.h"

namespace zort {
namespace {

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

void SetText(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (edit->text() != value) edit->setText(value);
}

void SetIndex(QComboBox* box, int index) {
    if (index >= -1 && index < box->count()) box->setCurrentIndex(index);
}

// The delivery-mode box takes typing: what counts is the entry its text matches.
int MatchedIndex(const QComboBox* box) {
    return box->findText(box->currentText(), Qt::MatchExactly);
}

}  // namespace

void ControlsToModel(const TForm1& f, SettingsPages& p) {
    p.Edit1 = Text(f.ui->Edit1);
    p.Edit2 = Text(f.ui->Edit2);
    p.ComboBox1 = f.ui->ComboBox1->currentIndex();
    p.ComboBox2 = f.ui->ComboBox2->currentIndex();
    p.ComboBox3 = f.ui->ComboBox3->currentIndex();
    p.RadioButton1 = f.ui->RadioButton1->isChecked();
    p.RadioButton2 = f.ui->RadioButton2->isChecked();
    p.RadioButton12 = f.ui->RadioButton12->isChecked();
    p.RadioButton13 = f.ui->RadioButton13->isChecked();
    p.ComboBox19 = MatchedIndex(f.ui->ComboBox19);
    p.Edit7 = Text(f.ui->Edit7);
    p.Edit8 = Text(f.ui->Edit8);
    p.CheckBox3 = f.ui->CheckBox3->isChecked();
    p.Edit5 = Text(f.ui->Edit5);
    p.Edit9 = Text(f.ui->Edit9);
    p.Edit10 = Text(f.ui->Edit10);
    p.ComboBox16 = f.ui->ComboBox16->currentIndex();
    p.RadioButton3 = f.ui->RadioButton3->isChecked();
    p.RadioButton4 = f.ui->RadioButton4->isChecked();
    p.RadioButton5 = f.ui->RadioButton5->isChecked();
    p.RadioButton8 = f.ui->RadioButton8->isChecked();
    p.RadioButton9 = f.ui->RadioButton9->isChecked();
    p.RadioButton10 = f.ui->RadioButton10->isChecked();
    p.RadioButton11 = f.ui->RadioButton11->isChecked();
    p.ComboBox4 = f.ui->ComboBox4->currentIndex();
    p.ComboBox5 = f.ui->ComboBox5->currentIndex();
    p.ComboBox6 = f.ui->ComboBox6->currentIndex();
    p.ComboBox7 = f.ui->ComboBox7->currentIndex();
    p.ComboBox8 = f.ui->ComboBox8->currentIndex();
    p.ComboBox9 = f.ui->ComboBox9->currentIndex();
    p.ComboBox10 = f.ui->ComboBox10->currentIndex();
    p.ComboBox11 = f.ui->ComboBox11->currentIndex();
    p.ComboBox13 = f.ui->ComboBox13->currentIndex();
    p.CheckBox2 = f.ui->CheckBox2->isChecked();
    p.ComboBox14 = f.ui->ComboBox14->currentIndex();
    p.ComboBox15 = f.ui->ComboBox15->currentIndex();
    p.ComboBox18 = f.ui->ComboBox18->currentIndex();
    p.Edit6 = Text(f.ui->Edit6);
    p.Edit3 = Text(f.ui->Edit3);
    p.RadioButton6 = f.ui->RadioButton6->isChecked();
    p.RadioButton7 = f.ui->RadioButton7->isChecked();
    p.Edit4 = Text(f.ui->Edit4);
    p.Edit4Enabled = f.ui->Edit4->isEnabled();
    p.Label17 = f.ui->Label17->text().toStdString();
    p.Label18 = f.ui->Label18->text().toStdString();
    p.Edit11 = Text(f.ui->Edit11);
    p.Edit12 = Text(f.ui->Edit12);
    p.selectedEntry = f.SelectedEntry();
    p.shownPage = f.ui->PageControl1->currentIndex();
}

void ModelToControls(const SettingsPages& p, TForm1& f) {
    SetText(f.ui->Edit1, p.Edit1);
    SetText(f.ui->Edit2, p.Edit2);
    SetIndex(f.ui->ComboBox1, p.ComboBox1);
    SetIndex(f.ui->ComboBox2, p.ComboBox2);
    SetIndex(f.ui->ComboBox3, p.ComboBox3);
    // Radio buttons: check the one the model names; Qt clears the others of the group.
    for (auto [button, on] : {std::pair{f.ui->RadioButton1, p.RadioButton1},
                              {f.ui->RadioButton2, p.RadioButton2},
                              {f.ui->RadioButton12, p.RadioButton12},
                              {f.ui->RadioButton13, p.RadioButton13},
                              {f.ui->RadioButton3, p.RadioButton3},
                              {f.ui->RadioButton4, p.RadioButton4},
                              {f.ui->RadioButton5, p.RadioButton5},
                              {f.ui->RadioButton8, p.RadioButton8},
                              {f.ui->RadioButton9, p.RadioButton9},
                              {f.ui->RadioButton10, p.RadioButton10},
                              {f.ui->RadioButton11, p.RadioButton11},
                              {f.ui->RadioButton6, p.RadioButton6},
                              {f.ui->RadioButton7, p.RadioButton7}}) {
        if (on) button->setChecked(true);
    }
    SetIndex(f.ui->ComboBox19, p.ComboBox19);
    SetText(f.ui->Edit7, p.Edit7);
    SetText(f.ui->Edit8, p.Edit8);
    f.ui->CheckBox3->setChecked(p.CheckBox3);
    SetText(f.ui->Edit5, p.Edit5);
    SetText(f.ui->Edit9, p.Edit9);
    SetText(f.ui->Edit10, p.Edit10);
    SetIndex(f.ui->ComboBox16, p.ComboBox16);
    SetIndex(f.ui->ComboBox4, p.ComboBox4);
    SetIndex(f.ui->ComboBox5, p.ComboBox5);
    SetIndex(f.ui->ComboBox6, p.ComboBox6);
    SetIndex(f.ui->ComboBox7, p.ComboBox7);
    SetIndex(f.ui->ComboBox8, p.ComboBox8);
    SetIndex(f.ui->ComboBox9, p.ComboBox9);
    SetIndex(f.ui->ComboBox10, p.ComboBox10);
    SetIndex(f.ui->ComboBox11, p.ComboBox11);
    SetIndex(f.ui->ComboBox13, p.ComboBox13);
    f.ui->CheckBox2->setChecked(p.CheckBox2);
    SetIndex(f.ui->ComboBox14, p.ComboBox14);
    SetIndex(f.ui->ComboBox15, p.ComboBox15);
    SetIndex(f.ui->ComboBox18, p.ComboBox18);
    SetText(f.ui->Edit6, p.Edit6);
    SetText(f.ui->Edit3, p.Edit3);
    SetText(f.ui->Edit4, p.Edit4);
    f.ui->Edit4->setEnabled(p.Edit4Enabled);
    f.ui->Label17->setText(QString::fromStdString(p.Label17));
    f.ui->Label18->setText(QString::fromStdString(p.Label18));
    SetText(f.ui->Edit11, p.Edit11);
    SetText(f.ui->Edit12, p.Edit12);
    if (p.shownPage != f.ui->PageControl1->currentIndex() || p.selectedEntry != f.SelectedEntry()) {
        f.HighlightNavigation(p.selectedEntry);
        f.ui->PageControl1->setCurrentIndex(p.shownPage);
    }
}

}  // namespace zort
