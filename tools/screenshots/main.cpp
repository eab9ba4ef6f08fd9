// Takes a picture of the main window as a user sees it (run under a virtual display):
//   cantovex-screenshot --lang en --look "Charcoal Dark Slate" [--menu MainMenu_Text] [--edit]
//                       [--dialog options] --out a.png song.kar
// --window prompter --at MS (playback time) or --window check pictures that window instead;
// --window stage puts the prompter full screen and pictures every screen.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QAbstractItemView>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "app/CV_Main.h"
#include "app/CV_Options.h"
#include "app/MyRegistry.h"
#include "app/PrompterForm.h"
#include "app/SongCheckForm.h"
#include "app/TimelinePanel.h"
#include "app/TimelineView.h"
#include "app/Styles.h"

namespace {
void Settle(int ms) {
  for (int i = 0; i < ms / 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser p;
  p.addOption({"lang", "de or en", "lang", "en"});
  p.addOption({"look", "style name", "look", cvapp::DefaultDarkStyle()});
  p.addOption({"menu", "menu to open", "menu"});
  p.addOption({"highlight", "syllable to highlight", "index", "-1"});
  p.addOption({"timeline", "syllable to select in the timeline (shown from a bar before it)", "index", "-1"});
  p.addOption({"timeline-others", "the timeline shows the other channels"});
  p.addOption({"window", "prompter, stage or check", "window"});
  p.addOption({"at", "playback time for the prompter, ms", "ms", "0"});
  p.addOption({"prompta", "prompter data on"});
  p.addOption({"width", "keyboard display width for the song check", "chars", "0"});
  p.addOption({"out", "PNG file", "out", "screenshot.png"});
  p.addOption({"edit", "open the edit text first"});
  p.addOption({"dialog", "window to open: options, options-prompta, transpose, tempo, offset, hyphenate, "
                         "multimode, about, prompter, check, manual, saveas",
               "name"});
  p.addPositionalArgument("song", "song to open");
  p.process(app);

  QTemporaryDir dir;
  cvapp::TMyRegistry store(dir.filePath(QStringLiteral("settings.conf")));
  store.WriteStrToReg(QStringLiteral("Lang"), p.value("lang"));
  store.WriteStrToReg(QStringLiteral("StyleDarkToLoad"), p.value("look"));
  if (p.isSet("prompta")) store.WriteBoolToReg(QStringLiteral("PromptaEnabled"), true);
  store.WriteIntToReg(QStringLiteral("KeyboardLineWidth"), p.value("width").toInt());
  cvapp::TMainFormOptions o;
  o.Store = &store;
  o.Arguments = {QStringLiteral("cantovex")};
  cvapp::TMainForm w(std::move(o));
  w.move(20, 20);
  w.show();
  if (!p.positionalArguments().isEmpty()) w.OpenFromArguments({QStringLiteral("cantovex"), p.positionalArguments().front()});
  if (p.value("highlight").toInt() >= 0) w.SelectHyphen(p.value("highlight").toInt());
  if (p.isSet("edit")) w.MainMenu_TextEditClick();
  if (const int element = p.value("timeline").toInt(); element >= 0) {
    cvapp::TTimelineView* t = w.Timeline()->View();
    t->SetShowOthers(p.isSet("timeline-others"));
    t->SetSelection({element});
    const int b = t->Model().BlockOfElement(element);
    if (b >= 0) t->ScrollTo(t->Model().Blocks()[static_cast<size_t>(b)].Start, t->width() / 4);
  }
  Settle(400);
  if (p.value("window") == QStringLiteral("prompter") || p.value("window") == QStringLiteral("stage")) {
    w.MainMenu_ViewPrompterClick();
    const int32_t at = p.value("at").toInt();
    w.PrompterForm()->Now = [at] { return at; };
    w.PrompterForm()->Refresh();
    Settle(400);
    if (p.value("window") == QStringLiteral("prompter")) return w.PrompterForm()->grab().save(p.value("out")) ? 0 : 1;
    w.PrompterForm()->ToggleFullScreen();
    Settle(800);
    const QRect all = QGuiApplication::primaryScreen()->virtualGeometry();
    return QGuiApplication::primaryScreen()->grabWindow(0, all.x(), all.y(), all.width(), all.height()).save(p.value("out")) ? 0 : 1;
  }
  if (p.value("window") == QStringLiteral("check")) {
    w.MainMenu_TextCheckClick();
    Settle(400);
    return w.SongCheckForm()->grab().save(p.value("out")) ? 0 : 1;
  }
  QRect area = w.frameGeometry();
  if (p.isSet("menu")) {
    if (QMenu* menu = w.Menu(p.value("menu"))) {
      // A submenu opens beside its item in the menu above it, which opens first.
      QMenu* parent = nullptr;
      for (QMenu* top : w.menuBar()->findChildren<QMenu*>())
        if (top != menu && top->actions().contains(menu->menuAction())) parent = top;
      if (parent) {
        const QRect item = w.menuBar()->actionGeometry(parent->menuAction());
        parent->popup(w.menuBar()->mapToGlobal(item.bottomLeft()));
        Settle(400);
        parent->setActiveAction(menu->menuAction());
        menu->popup(parent->mapToGlobal(parent->actionGeometry(menu->menuAction()).topRight()));
        area = area.united(parent->geometry());
      } else {
        const QRect item = w.menuBar()->actionGeometry(menu->menuAction());
        menu->popup(w.menuBar()->mapToGlobal(item.bottomLeft()));
      }
      Settle(400);
      area = area.united(menu->geometry());
    }
  }
  const QString out = p.value("out");
  // The picture holds the main window and every other window that shows.
  auto grab = [&area, out] {
    Settle(400);
    QRect all = area;
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->isVisible() && top->isWindow()) all = all.united(top->frameGeometry());
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, all.x(), all.y(), all.width(), all.height());
    return shot.save(out);
  };
  if (!p.isSet("dialog")) return grab() ? 0 : 1;
  const QString dialog = p.value("dialog");
  const QMap<QString, std::function<void()>> openers = {
      {"options", [&w] { w.MainMenu_OptionsClick(); }},
      {"options-prompta",
       [&w] {
         w.MainMenu_OptionsClick();
         if (auto* tabs = w.OptionsForm()->findChild<QTabWidget*>()) tabs->setCurrentIndex(1);
       }},
      {"transpose", [&w] { w.MainMenu_EditTransposeClick(); }},
      {"tempo", [&w] { w.MainMenu_EditTempoClick(); }},
      {"offset", [&w] { w.MainMenu_TextOffsetClick(); }},
      {"hyphenate", [&w] { w.MainMenu_TextHyphenateClick(); }},
      {"multimode", [&w] { w.MainMenu_DateiMultiOeffnenClick(); }},
      {"prompter", [&w] { w.MainMenu_ViewPrompterClick(); }},
      {"check", [&w] { w.MainMenu_TextCheckClick(); }},
      {"manual",
       [&w] {
         w.Hooks().OpenUrl = [](const QUrl&) { return false; };
         w.MainMenu_HelpManualClick();
       }},
      {"about", [&w] { w.MainMenu_HelpInfoClick(); }},
      {"saveas", [&w] { w.MainMenu_DateiSpeichernUnterClick(); }},
  };
  if (!openers.contains(dialog)) return 2;
  // A modal window runs its own loop: the picture is taken from inside it, then it closes.
  bool saved = false;
  QTimer::singleShot(600, [&] {
    // Save as: its list of file types open, the choices the picture is about.
    if (QWidget* modal = QApplication::activeModalWidget())
      if (auto* types = modal->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        types->showPopup();
        Settle(400);
        if (QWidget* list = types->view()->window()) area = area.united(list->frameGeometry());
      }
    saved = grab();
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  openers[dialog]();
  Settle(800);
  return saved ? 0 : 1;
}
