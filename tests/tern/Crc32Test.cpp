#include "tern/Crc32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// Bit by bit, straight from the definition: reflected polynomial 0xEDB88320.
std::uint32_t referenceCrc(const std::vector<std::uint8_t>& bytes) {
  std::uint32_t reg = 0xFFFFFFFFU;
  for (const std::uint8_t byte : bytes) {
    reg ^= byte;
    for (int bit = 0; bit < 8; ++bit) reg = (reg & 1U) != 0 ? (reg >> 1) ^ 0xEDB88320U : reg >> 1;
  }
  return ~reg;
}

std::uint32_t crcOf(const std::string& text) {
  return Tern::crc32(text.data(), static_cast<std::uint32_t>(text.size()), 0);
}

}  // namespace

static_assert(Tern::eventTypeId("LoadFile") == 0xC41D7F87U, "ids are computed at compile time");

TEST(Crc32Test, GivesTheStandardCheckValue) { EXPECT_EQ(crcOf("123456789"), 0xCBF43926U); }

TEST(Crc32Test, LoadFileIdIsTheStandardCrcOfItsEightBytes) {
  EXPECT_EQ(Tern::eventTypeId("LoadFile"), 0xC41D7F87U);
  EXPECT_EQ(Tern::eventTypeId("LoadFile"), crcOf("LoadFile"));
}

TEST(Crc32Test, EmptyInputGivesZeroAndKeepsAPreviousValue) {
  EXPECT_EQ(Tern::crc32(static_cast<const void*>(""), 0, 0), 0U);
  EXPECT_EQ(Tern::crc32(static_cast<const void*>(""), 0, 0x12345678U), 0x12345678U);
}

TEST(Crc32Test, APreviousValueContinuesTheComputation) {
  const std::string first = "OneShotClients::";
  const std::string second = "event_timer_fired";
  const std::uint32_t head = crcOf(first);
  EXPECT_EQ(Tern::crc32(second.data(), static_cast<std::uint32_t>(second.size()), head), crcOf(first + second));
}

TEST(Crc32Test, MatchesTheBitwiseDefinitionOnRandomData) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::uint8_t> bytes(random() % 300);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    ASSERT_EQ(Tern::crc32(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0), referenceCrc(bytes));
  }
}

TEST(Crc32Test, TheProgramsEventKindsHaveDistinctIds) {
  const char* const names[] = {"LoadFile",    "CommandFinished", "RunSequence",
                               "EndSequence", "SelectItem",      "OneShotClients::event_timer_fired",
                               "OneShot::event_thread_fired"};
  std::set<std::uint32_t> ids;
  for (const char* name : names) {
    EXPECT_EQ(Tern::eventTypeId(name), crcOf(name)) << name;
    ids.insert(Tern::eventTypeId(name));
  }
  EXPECT_EQ(ids.size(), std::size(names));
}
