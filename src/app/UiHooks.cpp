#include "app/UiHooks.h"

#include "app/ManualViewer.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QPointer>
#include <QRegularExpression>

#include "app/WindowGeometry.h"
#include "song/Language.h"

namespace cvapp {

namespace {
// "Text files (*.txt)" gives "txt"; a filter for every file gives none.
QString SuffixOfFilter(const QString& filter) {
  static const QRegularExpression firstPattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
  return firstPattern.match(filter).captured(1);
}
// A short question makes a narrow box whose title bar cuts the caption ("Cant…ex 3"): the box is
// made wide enough for it through its layout, as message and input boxes fix their own sizes.
void RoomForCaption(QDialog& box) {
  (void)box.minimumSizeHint();  // an input box builds its layout only when first measured
  auto* room = new QSpacerItem(CaptionWidth(box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(room, grid->rowCount(), 0, 1, grid->columnCount());
  else if (box.layout())
    box.layout()->addItem(room);
  else
    delete room;
}

int AskBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setDefaultButton(defaultButton);
  RoomForCaption(box);
  return box.exec();
}
}  // namespace

TUiHooks DefaultUiHooks(QWidget* parent) {
  QPointer<QWidget> owner(parent);
  TUiHooks h;
  h.Message = [owner](QMessageBox::Icon icon, const QString& caption, const QString& text) {
    AskBox(owner, icon, caption, text, QMessageBox::Ok, QMessageBox::Ok);
  };
  h.AskYesNo = [owner](const QString& caption, const QString& text, bool yesFirst) {
    return AskBox(owner, QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                  yesFirst ? QMessageBox::Yes : QMessageBox::No) == QMessageBox::Yes;
  };
  h.AskSaveChanges = [owner](const QString& caption, const QString& text) {
    return static_cast<QMessageBox::StandardButton>(AskBox(owner, QMessageBox::Question, caption, text,
                                                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                                           QMessageBox::Save));
  };
  h.ChooseOpenFile = [owner](const QString& title, const QString& start, const QString& filter) {
    return QFileDialog::getOpenFileName(owner, title, start, filter);
  };
  h.ChooseFolder = [owner](const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, title, start);
  };
  h.ChooseSaveFile = [owner](const QString& title, const QString& start, const QString& filter,
                             QString& fileName, int& filterIndex) {
    QFileDialog dialog(owner, title, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension gets the chosen filter's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& chosen) { dialog.setDefaultSuffix(SuffixOfFilter(chosen)); });
    const QStringList filters = filter.split(QStringLiteral(";;"));
    const QString first = filterIndex >= 1 && filterIndex <= filters.size() ? filters[filterIndex - 1] : filters.front();
    dialog.selectNameFilter(first);
    dialog.setDefaultSuffix(SuffixOfFilter(first));
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().constFirst();
    filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (filterIndex < 1) filterIndex = 1;
    return true;
  };
  // False when nothing on the desktop can show it: the caller shows it itself.
  h.OpenUrl = [](const QUrl& url) { return DesktopShowsWebPages() && QDesktopServices::openUrl(url); };
  h.AskNumber = [owner](const QString& caption, const QString& label, int min, int max, int& value) {
    QInputDialog dialog(owner);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setIntRange(min, max);
    dialog.setIntValue(value);
    RoomForCaption(dialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    value = dialog.intValue();
    return true;
  };
  return h;
}

void ReportMissingHook() {
  const QString text = QString::fromUtf8(
      cv::Tr("Interner Fehler: ein Dialog des Programms fehlt. Der Befehl wurde abgebrochen, der Song ist unverändert.",
             "Internal error: a dialog of the program is missing. The command was cancelled; the song is unchanged."));
  qCritical("%s", qUtf8Printable(text));
  // Not modal: the fault may sit in a path that is itself inside a dialog or an event handler.
  auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral(" Cantovex 3"), text, QMessageBox::Ok);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("MissingDialogMessage"));
  box->show();
}

TUiHooks WithRealDialogs(TUiHooks given, QWidget* parent) {
  const TUiHooks real = DefaultUiHooks(parent);
  auto mine = HookMembers(given);
  const auto theirs = HookMembers(real);
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    ((std::get<I>(mine) ? void() : void(std::get<I>(mine) = std::get<I>(theirs))), ...);
  }(std::make_index_sequence<std::tuple_size_v<decltype(mine)>>{});
  return given;
}

}  // namespace cvapp
