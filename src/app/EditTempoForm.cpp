#include "app/EditTempoForm.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/SignedSpinBox.h"
#include "app/WindowGeometry.h"
#include "output/CV_EditTempo.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

TEditTempoForm::TEditTempoForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("EditTempoForm"));
  auto* layout = new QVBoxLayout(this);
  auto* box = new QGroupBox(this);
  box->setObjectName(QStringLiteral("MidiBox"));
  auto* row = new QHBoxLayout(box);
  auto* label = new QLabel(QStringLiteral("Tempo:"), box);
  label->setObjectName(QStringLiteral("L_Tempo"));
  tempo_ = new QLineEdit(box);
  tempo_->setObjectName(QStringLiteral("E_Tempo"));
  tempo_->setReadOnly(true);
  tempo_->setFocusPolicy(Qt::NoFocus);  // shown, not changed: the focus goes to the difference
  tempo_->setAlignment(Qt::AlignRight);
  tempo_->setMaximumWidth(60);
  upDown_ = new SignedSpinBox(box, QStringLiteral("E_TempoDiff"), true);
  upDown_->setObjectName(QStringLiteral("Tempo_UpDown"));
  upDown_->setRange(cv::kTempoDiffMin, cv::kTempoDiffMax);
  row->addWidget(label);
  row->addWidget(tempo_);
  row->addWidget(upDown_);
  layout->addWidget(box);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Btn_OK"));
  auto* cancel = new QPushButton(T("Abbrechen", "Cancel"), this);
  cancel->setObjectName(QStringLiteral("Btn_Cancel"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &TEditTempoForm::Btn_OKClick);
  connect(cancel, &QPushButton::clicked, this, &TEditTempoForm::Btn_CancelClick);
}

void TEditTempoForm::Open(int firstTempoBpm) {
  setWindowTitle(T(" Tempo ändern", " Change tempo"));
  KeepCaptionWhole(*this);
  tempo_->setText(QString::number(firstTempoBpm));
  // Typing replaces the shown difference; the arrows step it.
  upDown_->setFocus();
  upDown_->selectAll();
}

int TEditTempoForm::TempoDiff() const { return upDown_->value(); }

void TEditTempoForm::SetTempoDiff(int diff) {
  const QSignalBlocker block(upDown_);
  upDown_->setValue(diff);
}

void TEditTempoForm::Btn_OKClick() {
  upDown_->interpretText();  // a value typed and not yet taken
  hide();
  if (OnClosed) OnClosed();
  if (OnOk) OnOk(upDown_->value());
}

void TEditTempoForm::Btn_CancelClick() {
  hide();
  if (OnClosed) OnClosed();
}

}  // namespace cvapp
