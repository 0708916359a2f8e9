#include "vdinv/block_format.h"

#include <algorithm>
#include <cstring>

#include "common/baud_rates.h"
#include "platform/serial_device.h"
#include "platform/text.h"

namespace vdinv::tool {
namespace {

std::string OnOff(uint8_t flag) {
  if (flag == 0) return "off";
  if (flag == 1) return "on";
  return "on (stored as " + std::to_string(flag) + ")";
}

std::string Quoted(const std::string& gbk) {
  return "\"" + platform::GbkToUtf8(gbk) + "\"";
}

}  // namespace

TDevParmBlock BlockFromBytes(std::string_view bytes) {
  TDevParmBlock pdb;
  std::memset(&pdb, 0, sizeof pdb);
  std::memcpy(&pdb, bytes.data(), std::min(bytes.size(), sizeof pdb));
  return pdb;
}

std::string BlockToBytes(const TDevParmBlock& pdb) {
  return std::string(reinterpret_cast<const char*>(&pdb), sizeof pdb);
}

void ApplyNewOptions(const PdbNewOptions& o, TDevParmBlock& pdb) {
  for (TDeviceEntry& entry : pdb.Devices) {
    if (entry.Model != kModelNone) entry.ModelName.Set(ModelNameOf(entry.Model));
  }
  if (o.debug) pdb.EnDebug = 1;
  if (o.errorLog) pdb.EnErrorLog = 1;
  if (o.traceLog) pdb.EnTraceLog = 1;
  if (o.outTime) pdb.OutTime = *o.outTime;
  if (o.wcount) pdb.WCount = *o.wcount;
  if (o.comPort) pdb.ComPort = *o.comPort;
  if (o.baudIndex) pdb.BaudIndex = *o.baudIndex;
  if (o.dataBits) pdb.DataBits = *o.dataBits;
  if (o.stopBits) pdb.StopBits = *o.stopBits;
  if (o.parity) pdb.Parity = *o.parity;
  for (const DeviceSetting& d : o.devices) {
    TDeviceEntry& entry = pdb.Devices[d.number];
    if (entry.Model != d.model) {
      // A device added or changed starts with cleared device flags, as the wizard does it.
      entry.DeviceFlag1 = 0;
      entry.DeviceFlag2 = 0;
    }
    entry.DevNo = d.number;
    entry.Model = d.model;
    entry.ModelName.Set(ModelNameOf(d.model));
  }
  int inUse = DevicesInUse(pdb);
  pdb.LinkMode = inUse > 1 ? 1 : 0;
  pdb.CurDevice = 0;
  if (inUse == 1) {
    for (int i = 0; i < kDeviceCount; ++i) {
      if (pdb.Devices[i].Model != kModelNone) pdb.CurDevice = i;
    }
  }
}

int DevicesInUse(const TDevParmBlock& pdb) {
  int n = 0;
  for (const TDeviceEntry& entry : pdb.Devices) n += entry.Model != kModelNone ? 1 : 0;
  return n;
}

std::string DescribeComPort(uint8_t code) {
  if (code >= 16) return "code " + std::to_string(code) + " (unknown port)";
  std::string n = std::to_string(code + 1);
  return "COM" + n + " (" + platform::SerialPortPath(code + 1) + ")";
}

std::string DescribeBaud(uint8_t index) {
  if (index >= kBaudRates.size()) return "index " + std::to_string(index) + " (unknown baud rate)";
  return std::to_string(kBaudRates[index]) + " baud";
}

std::string DescribeDataBits(uint8_t code) {
  if (code == 3) return "7 data bits";
  if (code == 4) return "8 data bits";
  return "data bits code " + std::to_string(code) + " (unknown)";
}

std::string DescribeStopBits(uint8_t code) {
  if (code == 0) return "1 stop bit";
  if (code == 1) return "1.5 stop bits";
  if (code == 2) return "2 stop bits";
  return "stop bits code " + std::to_string(code) + " (unknown)";
}

std::string DescribeParity(uint8_t code) {
  if (code == 0) return "no parity";
  if (code == 1) return "odd parity";
  if (code == 2) return "even parity";
  return "parity code " + std::to_string(code) + " (unknown)";
}

std::string FormatBlock(const TDevParmBlock& pdb) {
  std::string out;
  out += "Log switches: debug " + OnOff(pdb.EnDebug) + ", error log " + OnOff(pdb.EnErrorLog) +
         ", trace log " + OnOff(pdb.EnTraceLog) + "\n";
  out += "OutTime:      " + std::to_string(pdb.OutTime) + " ms";
  if (pdb.OutTime < 10 || pdb.OutTime > 60000) out += " (the driver keeps it within 10..60000)";
  out += "\n";
  out += "WCount:       " + std::to_string(pdb.WCount) + " write repetitions\n";
  out += "LinkMode:     " + std::to_string(pdb.LinkMode);
  if (pdb.LinkMode == 0) out += " (one device, RS232)";
  if (pdb.LinkMode == 1) out += " (several devices, RS485/RS422)";
  out += "\n";
  out += "CurDevice:    " + std::to_string(pdb.CurDevice) + "\n";
  out += "Serial:       " + DescribeComPort(pdb.ComPort) + "\n";
  out += "              " + DescribeBaud(pdb.BaudIndex) + ", " + DescribeDataBits(pdb.DataBits) +
         ", " + DescribeStopBits(pdb.StopBits) + ", " + DescribeParity(pdb.Parity) + "\n";
  out += "InitStr:      " + Quoted(pdb.InitStr.Get()) + "\n";
  int inUse = DevicesInUse(pdb);
  out += "Devices in use: " + std::to_string(inUse) + "\n";
  if (inUse > 0) out += "  No.  Model  Name\n";
  for (int i = 0; i < kDeviceCount; ++i) {
    const TDeviceEntry& entry = pdb.Devices[i];
    if (entry.Model == kModelNone) continue;
    std::string no = std::to_string(i);
    std::string line = "  " + no + std::string(5 - no.size(), ' ') + std::to_string(entry.Model);
    line +=
        std::string(7 - std::to_string(entry.Model).size(), ' ') + Quoted(entry.ModelName.Get());
    std::string expected = ModelNameOf(entry.Model);
    if (expected.empty()) {
      line += "  ! unknown model code: the driver drops this device";
    } else if (entry.ModelName.Get() != expected) {
      line += "  ! name does not match the model (" + Quoted(expected) +
              "): the driver drops this device";
    }
    if (entry.DevNo != i) line += "  ! DevNo reads " + std::to_string(entry.DevNo);
    out += line + "\n";
  }
  return out;
}

}  // namespace vdinv::tool
