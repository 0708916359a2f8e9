// The codes of the run-state machine and the addresses of the internal status tags, shared
// by the machine, the scheduler, the tag table and write execution.
#pragma once

#include <cstdint>
#include <string_view>

namespace vdinv::engine {

// Run states. The values are the ones the host interface and the tests see through
// RunStatus().
enum RunStateCode : uint8_t {
  kStateIdle = 0,
  kStateLineDown = 1,
  kStateFaultLinked = 2,
  kStateFaultUnlinked = 3,
  kStateLinked = 4,
  kStateStopSent = 5,
  kStateInitSent = 6,
  kStateLinkSent = 7,
  kStateUnlinkSent = 8,
  kStateReadSent = 10,
  kStateWriteSent = 11,
  kStateParmSent = 12,
  kStateRailSent = 13,
  kStateResvLink1Sent = 14,
  kStateResvLink2Sent = 15,
  kStateResvLink3Sent = 16,
};

// Run events: four per family (request, acknowledgement, failure, clear error), so that a
// family's events are its request event plus 0 to 3.
enum RunEventCode : uint8_t {
  kEvNone = 0,
  kEvInit = 1,
  kEvLink = 5,
  kEvLinkACK = 6,
  kEvUnlink = 9,
  kEvRead = 13,
  kEvReadACK = 14,
  kEvReadNAK = 15,
  kEvClrReadError = 16,
  kEvWrite = 17,
  kEvWriteACK = 18,
  kEvWriteNAK = 19,
  kEvClrWriteError = 20,
  kEvParm = 21,
  kEvStop = 25,
  kEvRail = 29,
  kEvResvLink1 = 33,
  kEvResvLink2 = 37,
  kEvResvLink3 = 41,
};

// Internal status tags, recognised by the upper-case address (DEVICELINK and ENDEVICELINK
// followed by a device number).
constexpr std::string_view kCommLink = "COMMLINK";
constexpr std::string_view kEnCommLink = "ENCOMMLINK";
constexpr std::string_view kDeviceLink = "DEVICELINK";
constexpr std::string_view kEnDeviceLink = "ENDEVICELINK";
constexpr std::string_view kEnLog = "ENLOG";

}  // namespace vdinv::engine
