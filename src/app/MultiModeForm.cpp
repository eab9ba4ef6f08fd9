#include "app/MultiModeForm.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/OpenSong.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

TMultiModeForm::TMultiModeForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("MultiModeForm"));
  setWindowTitle(T(" Öffnen und gleich speichern", "Multi mode"));
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(T("Ordner:", "Folder:"), this));
  folder_ = new QLineEdit(this);
  folder_->setObjectName(QStringLiteral("E_Folder"));
  row->addWidget(folder_, 1);
  auto* browse = new QPushButton(QStringLiteral("..."), this);
  row->addWidget(browse);
  layout->addLayout(row);
  // Said before anything is written: new files appear beside the songs.
  auto* where = new QLabel(T("Jeder Song wird neben sich als NAME.f0.mid bzw. NAME.f1.mid gespeichert; die Songs selbst "
                             "bleiben unverändert.",
                             "Each song is saved beside itself as NAME.f0.mid or NAME.f1.mid; the songs themselves stay "
                             "unchanged."),
                           this);
  where->setObjectName(QStringLiteral("L_Where"));
  where->setWordWrap(true);
  layout->addWidget(where);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("LB_Songs"));
  layout->addWidget(list_, 1);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("ProgressBar"));
  layout->addWidget(progress_);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("L_Summary"));
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(summary_);
  auto* buttons = new QHBoxLayout;
  const QString texts[kButtons] = {T("Aktualisieren", "Refresh"), T("Alle in Format 1", "All to format 1"),
                                   T("Alle in Format 0", "All to format 0"),
                                   T("Nur Format 0 in Format 1", "Only format 0 to format 1"),
                                   T("Alle als Karaoke (.kar)", "All to karaoke (.kar)")};
  const char* const names[kButtons] = {"Btn_Update", "Btn_Format1", "Btn_Format0", "Btn_Auto", "Btn_Kar"};
  for (int i = 0; i < kButtons; ++i) {
    buttons_[i] = new QPushButton(texts[i], this);
    buttons_[i]->setObjectName(QLatin1String(names[i]));
    buttons->addWidget(buttons_[i]);
  }
  auto* close = new QPushButton(T("Schließen", "Close"), this);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString dir = QFileDialog::getExistingDirectory(this, QString(), folder_->text());
    if (!dir.isEmpty()) SetFolder(dir);
  });
  connect(buttons_[0], &QPushButton::clicked, this, &TMultiModeForm::Update);
  connect(buttons_[1], &QPushButton::clicked, this, [this] { Convert(cv::BatchFormat::Format1); });
  connect(buttons_[2], &QPushButton::clicked, this, [this] { Convert(cv::BatchFormat::Format0); });
  connect(buttons_[3], &QPushButton::clicked, this, [this] { Convert(cv::BatchFormat::Auto); });
  connect(buttons_[4], &QPushButton::clicked, this, [this] { Convert(cv::BatchFormat::Kar); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  ensurePolished();
  resize(sizeHint().expandedTo(QSize(560, 380)));  // every button's caption shows whole
}

TMultiModeForm::~TMultiModeForm() {
  if (worker_.joinable()) worker_.join();
}

void TMultiModeForm::SetFolder(const QString& folder) {
  folder_->setText(folder);
  Update();
}

int TMultiModeForm::SongCount() const { return list_->count(); }
QString TMultiModeForm::Summary() const { return summary_->text(); }

void TMultiModeForm::Update() {
  list_->clear();
  summary_->clear();
  progress_->setValue(0);
  cv::BatchOptions options;
  options.Folder = folder_->text().toStdString();
  try {
    for (const cv::BatchItem& item : cv::CollectBatch(options)) list_->addItem(QString::fromStdString(item.Source));
  } catch (const std::exception& e) {
    summary_->setText(QString::fromUtf8(e.what()));
  }
}

void TMultiModeForm::Convert(cv::BatchFormat format) {
  if (busy_) return;
  cv::BatchOptions options;
  options.Folder = folder_->text().toStdString();
  options.Format = format;
  options.LanguageTag = languageTag_;
  std::vector<cv::BatchItem> items;
  try {
    items = cv::CollectBatch(options);
  } catch (const std::exception& e) {
    summary_->setText(QString::fromUtf8(e.what()));
    return;
  }
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  for (QPushButton* b : buttons_) b->setEnabled(false);
  progress_->setRange(0, static_cast<int>(items.size()));
  progress_->setValue(0);
  problems_.clear();
  const cv::TConfiguration configuration = configuration_;
  QPointer<TMultiModeForm> self(this);
  worker_ = std::thread([self, options, items, configuration] {
    const cv::SongOpener open = [configuration](cv::Song& song, const std::string& path) {
      song.Configuration = configuration;
      cv::DateiOeffnen(song, path);
    };
    const cv::BatchSummary summary = cv::RunBatch(options, items, open, [self](const cv::BatchFileResult& r, size_t done, size_t total) {
      const QString line = QString::fromStdString(r.Source);
      const QString problem = r.Outcome == cv::BatchOutcome::Converted || r.Message.empty()
                                  ? QString()
                                  : line + QStringLiteral(": ") + QString::fromStdString(r.Message);
      QMetaObject::invokeMethod(self, [self, line, problem, done, total] {
        if (self) self->Progress(line, problem, static_cast<int>(done), static_cast<int>(total));
      }, Qt::QueuedConnection);
    });
    const QString text = QString::fromStdString(cv::BatchSummaryText(summary));
    QMetaObject::invokeMethod(self, [self, text] {
      if (self) self->Done(text);
    }, Qt::QueuedConnection);
  });
}

void TMultiModeForm::Progress(const QString& line, const QString& problem, int done, int total) {
  progress_->setRange(0, total);
  progress_->setValue(done);
  summary_->setText(line);
  if (!problem.isEmpty()) problems_ << problem;
}

void TMultiModeForm::Done(const QString& summary) {
  if (worker_.joinable()) worker_.join();
  busy_ = false;
  for (QPushButton* b : buttons_) b->setEnabled(true);
  // The count alone does not tell which song failed, nor why.
  summary_->setText(QStringList(QStringList{summary} + problems_).join(QLatin1Char('\n')));
  emit Finished();
}

}  // namespace cvapp
