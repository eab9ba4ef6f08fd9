#include "app/ManualViewer.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "song/Language.h"

namespace cvapp {

TManualViewer::TManualViewer(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ManualViewer"));
  auto* layout = new QVBoxLayout(this);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("ManualText"));
  browser_->setOpenExternalLinks(false);
  // The manual brings its own dark-on-light colours; a dark look must not put its text on black.
  browser_->setStyleSheet(QStringLiteral("QTextBrowser { background: #ffffff; color: #222222; }"));
  layout->addWidget(browser_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
  layout->addWidget(buttons);
  resize(820, 640);
}

bool TManualViewer::Show(const QString& file) {
  QFile html(file);
  if (!html.open(QIODevice::ReadOnly)) return false;
  // Links inside the manual (its sections, pictures) resolve against its own folder.
  browser_->document()->setBaseUrl(QUrl::fromLocalFile(file));
  browser_->setHtml(QString::fromUtf8(html.readAll()));
  setWindowTitle(browser_->documentTitle().isEmpty() ? QString::fromUtf8(cv::Tr("Bedienungsanleitung", "Operating manual"))
                                                     : browser_->documentTitle());
  show();
  raise();
  activateWindow();
  return true;
}

bool DesktopShowsWebPages() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) return false;
  QProcess query;
  query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
  if (!query.waitForFinished(3000)) {
    query.kill();
    query.waitForFinished(1000);
    return false;
  }
  return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
#else
  return true;
#endif
}

}  // namespace cvapp
