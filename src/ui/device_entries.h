// The device entries of a working block as the wizard's pages show them: the model list, the
// device tree's nodes and the first free device number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/parameter_block.h"

namespace vdinv::ui {

// A node of a device tree: the entry it refers to and its text (UTF-8).
struct DeviceNode {
  int entry = 0;
  std::string text;
};

// The model list's choices: the names of models 0 and 1; list position p is model code p.
std::vector<std::string> ModelChoices();
// The model code of a list position; no selection (-1) or any other position counts as 0.
uint8_t ModelOfPosition(int position);
// The list position of a model code; -1 (no selection) for a code the list does not hold.
int PositionOfModel(uint8_t model);

// True when the number names an entry of the block that holds a device.
bool DeviceExists(const TDevParmBlock& pdb, int32_t number);
// The lowest number 0..98 without a device; 99 when 0..98 are all in use.
int32_t FirstFreeNumber(const TDevParmBlock& pdb);

// The lowest number with a device; 0 when there is none.
int32_t FirstDeviceNumber(const TDevParmBlock& pdb);

// Device number + "：" + name (the name in GBK, as the block holds it).
std::string DeviceNodeText(int number, const std::string& gbkName);
// One node per existing device in ascending number, named by the entry's ModelName.
std::vector<DeviceNode> DeviceNodesByEntryName(const TDevParmBlock& pdb);
// The same nodes, named by the model table's name of the entry's Model.
std::vector<DeviceNode> DeviceNodesByModel(const TDevParmBlock& pdb);

// Gives the entry a device of the model: its name from the model table, both device flags 0.
void PlaceDevice(TDeviceEntry& entry, uint8_t model);
// Marks the entry as not in use, with an empty name.
void RemoveDevice(TDeviceEntry& entry);

}  // namespace vdinv::ui
