#include "format/data_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvex::format {
namespace {

TEST(DataReader, ReadsLittleEndianFields) {
  const std::vector<uint8_t> bytes{0x01, 0x02, 0x03, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(CDataReader::U16(bytes, 0), 0x0201);
  EXPECT_EQ(CDataReader::U32(bytes, 3), 0xFFFFFFFFu);
  EXPECT_EQ(CDataReader::I32AsI64(bytes, 3), -1);
}

TEST(DataReader, RefusesFieldsThatLeaveTheBuffer) {
  const std::vector<uint8_t> bytes{0x01, 0x02, 0x03};
  EXPECT_FALSE(CDataReader::U16(bytes, 2));
  EXPECT_FALSE(CDataReader::U32(bytes, 0));
  EXPECT_FALSE(CDataReader::U8(bytes, SIZE_MAX));
  EXPECT_FALSE(CDataReader::Slice(bytes, 2, SIZE_MAX));
  EXPECT_TRUE(CDataReader::Slice(bytes, 3, 0));
}

}  // namespace
}  // namespace tarvex::format
