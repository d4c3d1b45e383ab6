// The worksheet-writer tests' fixture: a writer and a private temporary folder per
// test. Hex and Sheet (ExportTestSupport.h) write the reference bytes.
#pragma once

#include "ExportTestSupport.h"

#include "biff/ExcelFile.h"
#include "biff/Status.h"

#include <gtest/gtest.h>

namespace tallowby::testing {

using test::Hex;
using test::ReadFile;
using test::Sheet;

class BiffTest : public ::testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_ / name; }
    std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }
    // Closes the writer and returns the file it wrote.
    std::string Closed(const std::string& name = "sheet.xls") {
        EXPECT_EQ(xl_.CloseFile(), 0);
        return Read(name);
    }

    test::TempDir dir_;
    ExcelFile xl_;  // closed before the folder goes
};

}  // namespace tallowby::testing
