#include "app/CV_Hyphenation.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "song/Language.h"

namespace cvapp {

namespace {
constexpr cv::THyphenLanguage kLanguages[5] = {cv::THyphenLanguage::German, cv::THyphenLanguage::English,
                                               cv::THyphenLanguage::French, cv::THyphenLanguage::Italian,
                                               cv::THyphenLanguage::Spanish};
const char* const kNames[5] = {"RB_German", "RB_English", "RB_French", "RB_Italien", "RB_Spanish"};
}  // namespace

THyphenationForm::THyphenationForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("HyphenationForm"));
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < 5; ++i) {
    buttons_[i] = new QRadioButton(this);
    buttons_[i]->setObjectName(QLatin1String(kNames[i]));
    layout->addWidget(buttons_[i]);
  }
  buttons_[0]->setChecked(true);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("Btn_Ok"));
  box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("Btn_Cancel"));
  connect(box, &QDialogButtonBox::accepted, this, &THyphenationForm::Btn_OkClick);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::close);
  layout->addWidget(box);
  Retranslate();
}

void THyphenationForm::Retranslate() {
  setWindowTitle(QString::fromUtf8(cv::Tr(" Silbentrennung", " Hyphenate")));
  for (int i = 0; i < 5; ++i) buttons_[i]->setText(QString::fromStdString(cv::HyphenLanguageCaption(kLanguages[i])));
}

void THyphenationForm::SetLanguage(cv::THyphenLanguage language) {
  for (int i = 0; i < 5; ++i) buttons_[i]->setChecked(kLanguages[i] == language);
}

cv::THyphenLanguage THyphenationForm::Language() const {
  for (int i = 0; i < 5; ++i)
    if (buttons_[i]->isChecked()) return kLanguages[i];
  return cv::THyphenLanguage::German;
}

void THyphenationForm::Btn_OkClick() {
  if (OnHyphenate) OnHyphenate(Language());
  close();
}

}  // namespace cvapp
