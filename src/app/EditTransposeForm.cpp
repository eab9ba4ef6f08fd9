#include "app/EditTransposeForm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/SignedSpinBox.h"
#include "app/WindowGeometry.h"
#include "output/CV_EditTranspose.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

TEditTransposeForm::TEditTransposeForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("EditTransposeForm"));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(T("Transponierung:", "Transpose by:"), this);
  label->setObjectName(QStringLiteral("L_Transpose"));
  upDown_ = new SignedSpinBox(this, QStringLiteral("E_Transpose"));
  upDown_->setObjectName(QStringLiteral("Transpose_UpDown"));
  upDown_->setRange(cv::kTransposeMin, cv::kTransposeMax);
  row->addWidget(label);
  row->addWidget(upDown_);
  layout->addLayout(row);
  intelligent_ = new QCheckBox(QStringLiteral("Intelligent"), this);
  intelligent_->setToolTip(T("Jede Stimme bleibt in ihrer Lage: die Modi sind vier Tabellen, wie weit ein Kanal höchstens wandert.",
                             "Each part stays in its register: the modes are four tables of how far a channel may move."));
  intelligent_->setObjectName(QStringLiteral("CB_Intelligent"));
  layout->addWidget(intelligent_);
  auto* group = new QGroupBox(this);
  group->setObjectName(QStringLiteral("GB_Modes"));
  auto* modes = new QVBoxLayout(group);
  for (int i = 0; i < 4; ++i) {
    modes_[i] = new QRadioButton(QString::fromStdString(cv::TransposeModeName(i + 1)), group);
    modes_[i]->setToolTip(QString::fromStdString(cv::TransposeModeDetails(i + 1)));
    modes_[i]->setObjectName(QStringLiteral("RB_Mode%1").arg(i + 1));
    modes->addWidget(modes_[i]);
    connect(modes_[i], &QRadioButton::clicked, this, &TEditTransposeForm::E_TransposeChange);
  }
  layout->addWidget(group);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Btn_OK"));
  auto* cancel = new QPushButton(T("Abbrechen", "Cancel"), this);
  cancel->setObjectName(QStringLiteral("Btn_Cancel"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(upDown_, &QSpinBox::valueChanged, this, &TEditTransposeForm::E_TransposeChange);
  connect(intelligent_, &QCheckBox::clicked, this, [this] {
    for (QRadioButton* m : modes_) m->setEnabled(intelligent_->isChecked());
    E_TransposeChange();
  });
  connect(ok, &QPushButton::clicked, this, &TEditTransposeForm::Btn_OKClick);
  connect(cancel, &QPushButton::clicked, this, &TEditTransposeForm::Btn_CancelClick);
}

void TEditTransposeForm::Open() {
  setWindowTitle(T(" Transponieren", " Transpose"));
  KeepCaptionWhole(*this);
  SetIntelligent(true);
  SetMode(1);
}

int TEditTransposeForm::Amount() const { return upDown_->value(); }
void TEditTransposeForm::SetAmount(int amount) { upDown_->setValue(amount); }

void TEditTransposeForm::SetAmountQuietly(int amount) {
  const QSignalBlocker block(upDown_);
  upDown_->setValue(amount);
}

void TEditTransposeForm::SetIntelligent(bool on) {
  intelligent_->setChecked(on);
  for (QRadioButton* m : modes_) m->setEnabled(on);
}

void TEditTransposeForm::SetMode(int mode) {
  for (int i = 0; i < 4; ++i) modes_[i]->setChecked(i + 1 == mode);
}

cv::TTransposeOptions TEditTransposeForm::Options() const {
  cv::TTransposeOptions o;
  o.Intelligent = intelligent_->isChecked();
  for (int i = 0; i < 4; ++i)
    if (modes_[i]->isChecked()) o.Mode = i + 1;
  return o;
}

void TEditTransposeForm::E_TransposeChange() {
  if (OnTranspose) OnTranspose(Amount(), Options(), false);
}

void TEditTransposeForm::Btn_OKClick() {
  hide();
  if (OnTranspose) OnTranspose(Amount(), Options(), true);
  if (OnClosed) OnClosed();
}

void TEditTransposeForm::Btn_CancelClick() {
  hide();
  SetAmount(0);  // back to the pitches as read
  if (OnClosed) OnClosed();
}

}  // namespace cvapp
