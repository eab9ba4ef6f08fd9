#include "app/CV_Info.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "song/Language.h"

namespace cvapp {

QString TAboutForm::VersionText(const QString& version) {
  const QString year = QString::number(QDate::currentDate().year());
  if (version.trimmed().isEmpty())
    return year + QString::fromUtf8(cv::Tr(" - unbekannte Version!", " - unknown Version!"));
  return year + QStringLiteral(" - Version ") + version;
}

TAboutForm::TAboutForm(const QString& caption, const QString& operatingSystem, double dpiFactor,
                       QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  auto* product = new QLabel(QStringLiteral("Cantovex 3"), this);
  product->setObjectName(QStringLiteral("L_Product"));
  QFont big = product->font();
  big.setPointSizeF(big.pointSizeF() * 2.2);
  big.setBold(true);
  product->setFont(big);
  product->setAlignment(Qt::AlignCenter);
  layout->addWidget(product);
  auto* purpose = new QLabel(QString::fromUtf8(cv::Tr("Liedtexte in Standard-MIDI-Dateien",
                                                      "Lyrics in Standard MIDI Files")),
                             this);
  purpose->setAlignment(Qt::AlignCenter);
  layout->addWidget(purpose);
  layout->addSpacing(12);
  auto* version = new QLabel(VersionText(QStringLiteral(CANTOVEX_VERSION)), this);
  version->setObjectName(QStringLiteral("L_Version"));
  version->setToolTip(operatingSystem);
  version->setAlignment(Qt::AlignCenter);
  layout->addWidget(version);
  auto* system = new QLabel(operatingSystem, this);
  system->setObjectName(QStringLiteral("L_System"));
  system->setAlignment(Qt::AlignCenter);
  system->setWordWrap(true);
  layout->addWidget(system);
  auto* author = new QLabel(QStringLiteral("Maravelt"), this);
  author->setAlignment(Qt::AlignCenter);
  layout->addWidget(author);
  layout->addStretch(1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(static_cast<int>(410 * dpiFactor), static_cast<int>(274 * dpiFactor));
}

}  // namespace cvapp
