#include "app/LyricsOffsetForm.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

TLyricsOffsetForm::TLyricsOffsetForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("LyricsOffsetForm"));
  auto* row = new QHBoxLayout(this);
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName(QStringLiteral("OffsetSlider"));
  row->addWidget(slider_, 1);
  auto* label = new QLabel(T("Bereich (+/-)", "Range (+/-)"), this);
  label->setObjectName(QStringLiteral("L_Range"));
  row->addWidget(label);
  range_ = new QComboBox(this);
  range_->setObjectName(QStringLiteral("CB_Range"));
  range_->addItems({QStringLiteral("  100"), QStringLiteral("1000"), QStringLiteral("9000")});
  row->addWidget(range_);
  auto* ok = new QPushButton(T("Übernehmen", "Move lyrics"), this);
  ok->setObjectName(QStringLiteral("Btn_OK"));
  auto* close = new QPushButton(T("Schließen", "Close"), this);
  close->setObjectName(QStringLiteral("Btn_Close"));
  row->addWidget(ok);
  row->addWidget(close);
  connect(range_, &QComboBox::currentIndexChanged, this, &TLyricsOffsetForm::CB_RangeChange);
  connect(slider_, &QSlider::valueChanged, this, [this](int ms) {
    ShowOffsetInTitle(ms);
    if (OnPreview) OnPreview(ms);
  });
  connect(ok, &QPushButton::clicked, this, &TLyricsOffsetForm::Btn_OKClick);
  connect(close, &QPushButton::clicked, this, &TLyricsOffsetForm::Btn_CloseClick);
  Reset();
}

void TLyricsOffsetForm::ShowOffsetInTitle(int ms) {
  setWindowTitle(T(" Lyrics-Versatz: %1 ms", " Lyrics offset: %1 ms").arg(ms));
}

void TLyricsOffsetForm::Reset() {
  slider_->setValue(0);
  ShowOffsetInTitle(0);
  range_->setCurrentIndex(1);
  CB_RangeChange(1);
}

void TLyricsOffsetForm::CB_RangeChange(int index) {
  const int limit = index == 0 ? 100 : index == 2 ? 9000 : 1000;
  slider_->setRange(-limit, limit);
  slider_->setPageStep(limit / 10);
}

void TLyricsOffsetForm::SetOffset(int ms) { slider_->setValue(ms); }
int TLyricsOffsetForm::Offset() const { return slider_->value(); }
int TLyricsOffsetForm::RangeLimit() const { return slider_->maximum(); }

void TLyricsOffsetForm::Btn_OKClick() {
  const int d = slider_->value();
  if (d != 0 && OnMove) OnMove(d);
  slider_->setValue(0);  // the dialog stays open
}

void TLyricsOffsetForm::Btn_CloseClick() { close(); }

void TLyricsOffsetForm::closeEvent(QCloseEvent* event) {
  QDialog::closeEvent(event);
}

void TLyricsOffsetForm::hideEvent(QHideEvent* event) {
  // However the window goes, the display shift ends with it.
  if (OnPreview) OnPreview(0);
  QDialog::hideEvent(event);
}

}  // namespace cvapp
