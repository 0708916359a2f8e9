// uihost: a host of the driver with a Qt application of its own. It loads VD_Inv.so as a host
// does, opens the driver's configuration windows on a block file (DLLEdDev, or DLLTestDev with
// --test) and meanwhile takes the script's steps on them (see script.h); an edited block is
// saved back when the driver answers 1.
//
//   uihost [--module PATH] [--test] [--font FAMILY] [--step-ms N] [--timeout-ms N] BLOCK
//          STEP...
//
// Prints the driver's answer ("DLLEdDev 1"). Exit codes: 0 every step taken, 1 a step failed,
// 2 usage error, 3 module missing or lacking an export, 4 block file unreadable, of the wrong
// size or not saved.
#include <QApplication>
#include <QFile>
#include <QLibrary>
#include <QWidget>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "VD_Inv.h"
#include "uihost/script.h"

namespace {

struct Options {
  std::string module = VDINV_DEFAULT_MODULE;
  bool test = false;
  std::string font;  // the application's font family; empty: Qt's choice
  int stepMs = 50;
  int timeoutMs = 10000;
  std::string block;
  std::vector<std::string> steps;
};

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--module" && hasValue) {
      options.module = argv[++i];
    } else if (arg == "--test") {
      options.test = true;
    } else if (arg == "--font" && hasValue) {
      options.font = argv[++i];
    } else if (arg == "--step-ms" && hasValue) {
      options.stepMs = QString(argv[++i]).toInt();
    } else if (arg == "--timeout-ms" && hasValue) {
      options.timeoutMs = QString(argv[++i]).toInt();
    } else if (options.block.empty() && arg.rfind("--", 0) != 0) {
      options.block = arg;
    } else if (!options.block.empty()) {
      options.steps.push_back(arg);
    } else {
      return false;
    }
  }
  return !options.block.empty() && options.stepMs > 0 && options.timeoutMs > 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);  // takes Qt's own options (-platform) first
  Options options;
  if (!Parse(argc, argv, options)) {
    std::cerr << "usage: uihost [--module PATH] [--test] [--font FAMILY] [--step-ms N] "
                 "[--timeout-ms N] BLOCK STEP...\n";
    return 2;
  }
  if (!options.font.empty()) {
    QFont font = QApplication::font();
    font.setFamily(QString::fromStdString(options.font));
    QApplication::setFont(font);
  }
  QLibrary driver(QString::fromStdString(options.module));
  auto getPdbLen = reinterpret_cast<VdInv_GetPDBLen_Fn>(driver.resolve("GetPDBLen"));
  auto dllEdDev = reinterpret_cast<VdInv_DLLEdDev_Fn>(driver.resolve("DLLEdDev"));
  auto dllTestDev = reinterpret_cast<VdInv_DLLTestDev_Fn>(driver.resolve("DLLTestDev"));
  if (getPdbLen == nullptr || dllEdDev == nullptr || dllTestDev == nullptr) {
    std::cerr << "uihost: " << driver.errorString().toStdString() << "\n";
    return 3;
  }
  QFile file(QString::fromStdString(options.block));
  QByteArray block;
  if (file.open(QIODevice::ReadOnly)) block = file.readAll();
  file.close();
  if (block.size() != getPdbLen()) {
    std::cerr << "uihost: " << options.block << " is not a block of " << getPdbLen() << " bytes\n";
    return 4;
  }

  // The host's own window, which owns the driver's windows.
  QWidget host;
  host.setObjectName("UiHostWindow");
  host.setWindowTitle("uihost");
  host.resize(320, 200);
  host.show();

  vdinv::uihost::Script script(options.steps, options.stepMs, options.timeoutMs);
  script.Start();
  if (options.test) {
    std::cout << "DLLTestDev " << int{dllTestDev(block.data(), 1)} << std::endl;
  } else {
    const int32_t result = dllEdDev(static_cast<uintptr_t>(host.winId()), block.data());
    std::cout << "DLLEdDev " << result << std::endl;
    if (result == 1 && (!file.open(QIODevice::WriteOnly) || file.write(block) != block.size())) {
      std::cerr << "uihost: " << options.block << " not saved\n";
      return 4;
    }
  }
  if (script.Failed() || !script.Finished()) {
    std::cerr << "uihost: " << (script.Failed() ? script.Error() : "steps left over") << "\n";
    return 1;
  }
  return 0;
}
