#include "engine/db_file_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "format/unicode.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

TEST(DBFileReader, MissingFileFailsWithTheSystemText) {
  test::ScratchDir dir;
  CDBFileReader reader;
  CErrorHandler error;
  EXPECT_FALSE(reader.Open(dir.path() / "missing.mdb", error));
  EXPECT_EQ(error.code(), 1);
  EXPECT_EQ(format::ToUtf8(error.Message()), std::strerror(ENOENT));
}

TEST(DBFileReader, DirectoryIsNotAReadableFile) {
  test::ScratchDir dir;
  CDBFileReader reader;
  CErrorHandler error;
  EXPECT_FALSE(reader.Open(dir.path(), error));
  EXPECT_TRUE(error.Failed());
}

TEST(DBFileReader, ReadAcrossTheEndReturnsWhatExistsWithoutError) {
  test::ScratchDir dir;
  const auto path = dir.path() / "short.bin";
  std::ofstream(path, std::ios::binary) << "ABCDEF";
  CDBFileReader reader;
  CErrorHandler error;
  ASSERT_TRUE(reader.Open(path, error));
  EXPECT_EQ(reader.Size(), 6u);

  std::vector<uint8_t> buffer(8, 0xEE);
  size_t got = 0;
  EXPECT_TRUE(reader.ReadAt(4, buffer, error, &got));
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(buffer[0], 'E');
  EXPECT_EQ(buffer[1], 'F');
  EXPECT_EQ(buffer[2], 0xEE);  // the rest keeps its previous contents
  EXPECT_FALSE(error.Failed());

  EXPECT_TRUE(reader.ReadAt(uint64_t{1} << 40, buffer, error, &got));  // far past the end
  EXPECT_EQ(got, 0u);
}

TEST(DBFileReader, ReadWithoutOpenFails) {
  CDBFileReader reader;
  std::vector<uint8_t> buffer(4);
  CErrorHandler error;
  EXPECT_FALSE(reader.ReadAt(0, buffer, error));
  EXPECT_TRUE(error.Failed());
}

}  // namespace
}  // namespace tarvex::engine
