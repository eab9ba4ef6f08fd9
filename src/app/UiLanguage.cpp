#include "app/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "app/CV_Hyphenation.h"
#include "app/CV_Main.h"
#include "app/CV_Options.h"
#include "app/MainStatus.h"
#include "app/MultiModeForm.h"
#include "song/Language.h"

namespace cvapp {

bool InstallQtTranslations(bool german) {
  static QTranslator* translator = nullptr;
  if (translator) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
    translator = nullptr;
  }
  QLocale::setDefault(QLocale(german ? QLocale::German : QLocale::English));
  if (!german) return true;
  auto loaded = std::make_unique<QTranslator>();
  if (!loaded->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  translator = loaded.release();
  QCoreApplication::installTranslator(translator);
  return true;
}

void TMainForm::SwitchLanguage(bool english) {
  cv::SetCurrLanguage(english ? cv::TLanguage::Englisch : cv::TLanguage::Deutsch);
  InstallQtTranslations(!english);
  ApplyCaptions();
  RefreshRecentMenu();
  UpdateActions();
  status_->Retranslate();
  hyphenationForm_->Retranslate();
  hyphenationForm_->SetLanguage(english ? cv::THyphenLanguage::English : cv::THyphenLanguage::German);
  // Windows made on demand are made again in the new language when next opened.
  if (optionsForm_ && !optionsForm_->isVisible()) {
    optionsForm_->deleteLater();
    optionsForm_ = nullptr;
  }
  if (multiModeForm_ && !multiModeForm_->isVisible()) {
    multiModeForm_->deleteLater();
    multiModeForm_ = nullptr;
  }
}

}  // namespace cvapp
