// Table-driven cases: opens the body of a loop over `rows`, naming the row in
// any failure and giving every row after the first a fresh fixture.
#pragma once

#include <gtest/gtest.h>

#define FRESH_FIXTURE_FOR_ROW(row, rows)                                                           \
    SCOPED_TRACE((row).label);                                                                     \
    if (&(row) != &(rows)[0]) {                                                                    \
        TearDown();                                                                                \
        SetUp();                                                                                   \
    }
