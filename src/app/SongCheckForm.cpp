#include "app/SongCheckForm.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

TSongCheckForm::TSongCheckForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SongCheckForm"));
  auto* layout = new QVBoxLayout(this);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("L_Summary"));
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("LB_Findings"));
  list_->setRootIsDecorated(false);
  list_->setAlternatingRowColors(true);
  list_->setColumnCount(5);
  layout->addWidget(summary_);
  layout->addWidget(list_);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { GoTo(list_->indexOfTopLevelItem(item)); });
  resize(1000, 460);
  ApplyCaptions();
}

void TSongCheckForm::ApplyCaptions() {
  setWindowTitle(T("Song prüfen", "Check song") + QStringLiteral(" - Cantovex 3"));
  list_->setHeaderLabels({T("Schwere", "Severity"), T("Position", "Position"), T("Wo", "Where"), T("Silbe", "Syllable"),
                          T("Befund", "Finding")});
  int errors = 0;
  for (const cv::TSongFinding& f : findings_) errors += f.Severity == cv::TFindingSeverity::Error;
  const int warnings = static_cast<int>(findings_.size()) - errors;
  summary_->setText(findings_.empty()
                        ? T("Keine Befunde: das Lied ist bereit.", "No findings: the song is ready.")
                        : T("%1 Fehler, %2 Warnungen. Doppelklick geht zur Silbe.",
                            "%1 errors, %2 warnings. A double click goes to the syllable.")
                              .arg(errors)
                              .arg(warnings));
  list_->clear();
  for (const cv::TSongFinding& f : findings_) {
    const bool error = f.Severity == cv::TFindingSeverity::Error;
    QString text = QString::fromStdU16String(f.Text);
    if (text == QStringLiteral("\r")) text = T("(Zeilenende)", "(line end)");
    auto* item = new QTreeWidgetItem(
        list_, {error ? T("Fehler", "Error") : T("Warnung", "Warning"), QString::fromStdU16String(f.MTC),
                f.Source == cv::TFindingSource::File ? T("Datei", "File") : T("Lied", "Song"), text,
                QString::fromStdString(f.Message)});
    item->setToolTip(4, QString::fromStdString(f.Message) + QStringLiteral("\n") + QString::fromStdString(f.Kind));
    if (error) item->setForeground(0, QColor(0xd0, 0x30, 0x30));
  }
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->header()->setStretchLastSection(true);
}

void TSongCheckForm::SetFindings(std::vector<cv::TSongFinding> findings) {
  findings_ = std::move(findings);
  ApplyCaptions();
}

void TSongCheckForm::GoTo(int row) {
  if (row < 0 || row >= static_cast<int>(findings_.size()) || !OnGoTo) return;
  OnGoTo(findings_[static_cast<size_t>(row)]);
}

}  // namespace cvapp
