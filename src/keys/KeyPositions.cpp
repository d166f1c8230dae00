#include "keys/KeyPositions.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <array>

#include "keys/KeyCodes.h"

namespace {

constexpr auto usPositionTable = std::to_array<KeyPositions::UsPosition>({
    {"TLDE", 192}, {"AE01", '1'}, {"AE02", '2'}, {"AE03", '3'}, {"AE04", '4'}, {"AE05", '5'},
    {"AE06", '6'}, {"AE07", '7'}, {"AE08", '8'}, {"AE09", '9'}, {"AE10", '0'}, {"AE11", 189},
    {"AE12", 187}, {"AD01", 'Q'}, {"AD02", 'W'}, {"AD03", 'E'}, {"AD04", 'R'}, {"AD05", 'T'},
    {"AD06", 'Y'}, {"AD07", 'U'}, {"AD08", 'I'}, {"AD09", 'O'}, {"AD10", 'P'}, {"AD11", 219},
    {"AD12", 221}, {"BKSL", 220}, {"AC12", 220}, {"AC01", 'A'}, {"AC02", 'S'}, {"AC03", 'D'},
    {"AC04", 'F'}, {"AC05", 'G'}, {"AC06", 'H'}, {"AC07", 'J'}, {"AC08", 'K'}, {"AC09", 'L'},
    {"AC10", 186}, {"AC11", 222}, {"LSGT", 226}, {"AB01", 'Z'}, {"AB02", 'X'}, {"AB03", 'C'},
    {"AB04", 'V'}, {"AB05", 'B'}, {"AB06", 'N'}, {"AB07", 'M'}, {"AB08", 188}, {"AB09", 190},
    {"AB10", 191}, {"SPCE", 32},
});

struct NamedKey {
  std::uint8_t vk;
  std::uint32_t keysym;
};

constexpr auto namedKeys = std::to_array<NamedKey>({
    {3, XKB_KEY_Cancel},         {8, XKB_KEY_BackSpace},     {9, XKB_KEY_Tab},
    {12, XKB_KEY_Clear},         {13, XKB_KEY_Return},       {16, XKB_KEY_Shift_L},
    {17, XKB_KEY_Control_L},     {18, XKB_KEY_Alt_L},        {19, XKB_KEY_Pause},
    {20, XKB_KEY_Caps_Lock},     {27, XKB_KEY_Escape},       {33, XKB_KEY_Prior},
    {34, XKB_KEY_Next},          {35, XKB_KEY_End},          {36, XKB_KEY_Home},
    {37, XKB_KEY_Left},          {38, XKB_KEY_Up},           {39, XKB_KEY_Right},
    {40, XKB_KEY_Down},          {41, XKB_KEY_Select},       {43, XKB_KEY_Execute},
    {44, XKB_KEY_Print},         {45, XKB_KEY_Insert},       {46, XKB_KEY_Delete},
    {47, XKB_KEY_Help},          {91, XKB_KEY_Super_L},      {92, XKB_KEY_Super_R},
    {93, XKB_KEY_Menu},          {96, XKB_KEY_KP_0},         {97, XKB_KEY_KP_1},
    {98, XKB_KEY_KP_2},          {99, XKB_KEY_KP_3},         {100, XKB_KEY_KP_4},
    {101, XKB_KEY_KP_5},         {102, XKB_KEY_KP_6},        {103, XKB_KEY_KP_7},
    {104, XKB_KEY_KP_8},         {105, XKB_KEY_KP_9},        {106, XKB_KEY_KP_Multiply},
    {107, XKB_KEY_KP_Add},       {108, XKB_KEY_KP_Separator}, {109, XKB_KEY_KP_Subtract},
    {110, XKB_KEY_KP_Decimal},   {111, XKB_KEY_KP_Divide},   {112, XKB_KEY_F1},
    {113, XKB_KEY_F2},           {114, XKB_KEY_F3},          {115, XKB_KEY_F4},
    {116, XKB_KEY_F5},           {117, XKB_KEY_F6},          {118, XKB_KEY_F7},
    {119, XKB_KEY_F8},           {120, XKB_KEY_F9},          {121, XKB_KEY_F10},
    {122, XKB_KEY_F11},          {123, XKB_KEY_F12},         {124, XKB_KEY_F13},
    {125, XKB_KEY_F14},          {126, XKB_KEY_F15},         {127, XKB_KEY_F16},
    {128, XKB_KEY_F17},          {129, XKB_KEY_F18},         {130, XKB_KEY_F19},
    {131, XKB_KEY_F20},          {132, XKB_KEY_F21},         {133, XKB_KEY_F22},
    {134, XKB_KEY_F23},          {135, XKB_KEY_F24},         {144, XKB_KEY_Num_Lock},
    {145, XKB_KEY_Scroll_Lock},  {160, XKB_KEY_Shift_L},     {161, XKB_KEY_Shift_R},
    {162, XKB_KEY_Control_L},    {163, XKB_KEY_Control_R},   {164, XKB_KEY_Alt_L},
    {165, XKB_KEY_Alt_R},
});

constexpr std::array<std::uint32_t, 256> namedKeysymTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (const NamedKey& key : namedKeys) {
    table[key.vk] = key.keysym;
  }
  return table;
}();

}  // namespace

namespace KeyPositions {

std::span<const UsPosition> usPositions() { return usPositionTable; }

std::uint32_t namedKeysym(std::uint8_t vk) { return namedKeysymTable[vk]; }

std::uint32_t namedKeysymFallback(std::uint8_t vk) {
  return vk == KeyCode::rmenu ? XKB_KEY_ISO_Level3_Shift : XKB_KEY_NoSymbol;
}

bool typeable(char32_t c) {
  return c >= 0x20 && !(c >= 0x7f && c <= 0x9f) && !(c >= 0xd800 && c <= 0xdfff) && c <= 0x10ffff;
}

}  // namespace KeyPositions
