// The constant table of the inverter protocol: per tag type the command characters, field widths
// and value codes, the frame layouts and the check code, with the control characters of the
// line. The device types themselves (prefixes, access, address ranges) are common/device_types.h.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "common/device_types.h"

namespace vdinv::protocol {

constexpr char kSOH = 0x01;
constexpr char kENQ = 0x05;
constexpr char kETX = 0x03;
constexpr char kACK = 0x06;
constexpr char kNAK = 0x15;

// Per-type columns of the frames.
constexpr std::array<int32_t, kTypeCount> kTypeAddrLen = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::array<int32_t, kTypeCount> kTypeDataWidth = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4};
constexpr std::array<uint8_t, kTypeCount> kTypeReadCode = {14, 14, 14, 14, 14, 14, 14, 14, 14, 14};
constexpr std::array<uint8_t, kTypeCount> kTypeWriteCode = {14, 14, 14, 14, 14, 14, 14, 14, 14, 14};
constexpr std::array<int32_t, kTypeCount> kTypeAddrWidth = {2, 2, 2, 2, 2, 2, 2, 2, 2, 2};

// Columns of one value.
constexpr bool kDataHexFlag = true;
constexpr uint8_t kReadAskStyle = 4;
constexpr uint8_t kWriteAskStyle = 3;
constexpr uint8_t kReadAnswerStyle = 2;
constexpr uint8_t kWriteAnswerStyle = 0;
constexpr std::string_view kReadAnswerHead = "";
constexpr bool kDevIDHexFlag = false;
constexpr int32_t kDevIDWidth = 2;
constexpr std::string_view kReadCode = "R";
constexpr std::string_view kReadReplyCode = "R";
constexpr std::string_view kWriteCode = "W";
constexpr std::string_view kWriteReplyCode = "W";
constexpr bool kAddrTextHexFlag = false;
constexpr uint8_t kCheckKind = 10;
constexpr int32_t kCheckLen = 2;
constexpr std::string_view kEndCode = "\x03";
constexpr uint8_t kPortOpenFlag = 1;
// The value type code of every type of this device: a 16-bit data word in hexadecimal.
constexpr uint8_t kValueCodeWord = 14;

}  // namespace vdinv::protocol
