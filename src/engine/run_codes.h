// The codes of the run-state machine and the addresses of the internal status tags, shared
// by the machine, the scheduler, the tag table and write execution.
#pragma once

#include <cstdint>
#include <string_view>

namespace vdinv::engine {

// Run states.
constexpr uint8_t kStateIdle = 0;
constexpr uint8_t kStateLineDown = 1;
constexpr uint8_t kStateFaultLinked = 2;
constexpr uint8_t kStateFaultUnlinked = 3;
constexpr uint8_t kStateLinked = 4;
constexpr uint8_t kStateStopSent = 5;
constexpr uint8_t kStateInitSent = 6;
constexpr uint8_t kStateLinkSent = 7;
constexpr uint8_t kStateUnlinkSent = 8;
constexpr uint8_t kStateReadSent = 10;
constexpr uint8_t kStateWriteSent = 11;
constexpr uint8_t kStateParmSent = 12;
constexpr uint8_t kStateRailSent = 13;
constexpr uint8_t kStateResvLink1Sent = 14;
constexpr uint8_t kStateResvLink2Sent = 15;
constexpr uint8_t kStateResvLink3Sent = 16;

// Run events: four per family (request, acknowledgement, failure, clear error).
constexpr uint8_t kEvInit = 1;
constexpr uint8_t kEvLink = 5;
constexpr uint8_t kEvLinkACK = 6;
constexpr uint8_t kEvUnlink = 9;
constexpr uint8_t kEvRead = 13;
constexpr uint8_t kEvReadACK = 14;
constexpr uint8_t kEvReadNAK = 15;
constexpr uint8_t kEvClrReadError = 16;
constexpr uint8_t kEvWrite = 17;
constexpr uint8_t kEvWriteACK = 18;
constexpr uint8_t kEvWriteNAK = 19;
constexpr uint8_t kEvClrWriteError = 20;
constexpr uint8_t kEvParm = 21;
constexpr uint8_t kEvStop = 25;
constexpr uint8_t kEvRail = 29;

// Internal status tags, recognised by the upper-case address (DEVICELINK and ENDEVICELINK
// followed by a device number).
constexpr std::string_view kCommLink = "COMMLINK";
constexpr std::string_view kEnCommLink = "ENCOMMLINK";
constexpr std::string_view kDeviceLink = "DEVICELINK";
constexpr std::string_view kEnDeviceLink = "ENDEVICELINK";
constexpr std::string_view kEnLog = "ENLOG";

}  // namespace vdinv::engine
