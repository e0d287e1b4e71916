#pragma once

#include <gtest/gtest.h>

#include "TempFolder.h"

// A fresh folder per test.
class TestFolder : public ::testing::Test, public TempFolder {};
