#include "platform/qt/qt_toolkit.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QThread>
#include <QUrl>
#include <mutex>

#include "platform/qt/display_check.h"
#include "platform/qt/form.h"
#include "platform/qt/print_lines.h"

namespace vdinv::platform::qt {
namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kError:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

// The arguments of an application made here live as long as it does: the whole process.
struct ApplicationArguments {
  std::string program = "VD_Inv";
  std::string option = "-platform";
  std::string platform;
  int argc = 3;
  char* argv[4] = {program.data(), option.data(), platform.data(), nullptr};
};

// Made once and kept for the life of the process (reachable, never destroyed: windows of
// it may exist until the end).
QApplication* g_application = nullptr;
ApplicationArguments* g_arguments = nullptr;

QCoreApplication* ApplicationOfProcess() {
  static std::mutex making;
  std::lock_guard<std::mutex> lock(making);
  if (QCoreApplication* existing = QCoreApplication::instance()) return existing;
  // Checked first: Qt ends the process when its platform plugin cannot start.
  const std::optional<std::string> platform = UsablePlatform(SystemDisplayProbes());
  if (!platform) return nullptr;
  g_arguments = new ApplicationArguments;
  g_arguments->platform = *platform;
  g_arguments->argv[2] = g_arguments->platform.data();
  g_application = new QApplication(g_arguments->argc, g_arguments->argv);
  // The host's lines go on when the last window closes.
  g_application->setQuitOnLastWindowClosed(false);
  return g_application;
}

}  // namespace

QWidget* QtToolkit::ActiveWindow() const {
  if (!forms_.empty()) return forms_.back();
  return QApplication::activeModalWidget();
}

void QtToolkit::ShowModal(const FormPlan& plan, IFormEvents& events, uintptr_t owner) {
  try {
    Form form(plan, events, ActiveWindow());
    forms_.push_back(&form);
    try {
      form.Run(owner);
    } catch (...) {
    }
    forms_.pop_back();
  } catch (...) {
  }
}

void QtToolkit::MessageBox(const std::string& caption, const std::string& text, MessageIcon icon) {
  try {
    QMessageBox box(QtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, ActiveWindow());
    box.setAttribute(Qt::WA_QuitOnClose, false);
    box.exec();
  } catch (...) {
  }
}

bool QtToolkit::Confirm(const std::string& caption, const std::string& text) {
  try {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok | QMessageBox::Cancel,
                    ActiveWindow());
    box.setAttribute(Qt::WA_QuitOnClose, false);
    box.setDefaultButton(QMessageBox::Cancel);
    // The buttons speak the windows' language whatever the host's translations are.
    box.button(QMessageBox::Ok)->setText(QString::fromUtf8("确定"));
    box.button(QMessageBox::Cancel)->setText(QString::fromUtf8("取消"));
    return box.exec() == QMessageBox::Ok;
  } catch (...) {
    return false;
  }
}

std::optional<std::string> QtToolkit::AskSavePath(const std::string& description,
                                                  const std::string& extension) {
  try {
    QFileDialog dialog(ActiveWindow());
    dialog.setAttribute(Qt::WA_QuitOnClose, false);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(description + " (*." + extension + ")"));
    dialog.setDefaultSuffix(QString::fromStdString(extension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
      return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
  } catch (...) {
    return std::nullopt;
  }
}

PrintResult QtToolkit::PrintLines(const std::string& title, const std::vector<std::string>& lines) {
  try {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(title));
    QPrintDialog dialog(&printer, ActiveWindow());
    dialog.setAttribute(Qt::WA_QuitOnClose, false);
    if (dialog.exec() != QDialog::Accepted) return PrintResult::kCancelled;
    return PaintLines(printer, lines) > 0 ? PrintResult::kPrinted : PrintResult::kFailed;
  } catch (...) {
    return PrintResult::kFailed;
  }
}

void QtToolkit::OpenHelp(const std::string& path) {
  // The help is a page of HTML: the desktop's handler of file addresses (xdg-open, or the
  // desktop portal in a sandbox) shows it in the user's browser, without waiting for it. The
  // host's installation directory may be relative ("../" when its settings file is not found),
  // and a relative file address means nothing to another program: the address is absolute.
  try {
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
  } catch (...) {
  }
}

IToolkit* ProcessToolkit() {
  try {
    QCoreApplication* core = QCoreApplication::instance();
    if (core == nullptr) core = ApplicationOfProcess();
    auto* application = qobject_cast<QApplication*>(core);
    if (application == nullptr || QThread::currentThread() != application->thread()) {
      return nullptr;
    }
    static QtToolkit* toolkit = new QtToolkit;  // used until the process ends
    return toolkit;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace vdinv::platform::qt
