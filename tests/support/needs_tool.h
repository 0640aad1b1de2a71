// A test that runs another program (GDAL, a Python DBF reader): where the program is missing
// it is skipped on a developer's machine and fails under CI (CI set), where deps.sh installs it.
#pragma once

#include <QtGlobal>
#include <gtest/gtest.h>

#define KORVEL_NEED_TOOL(available, what)                                               \
  do {                                                                                  \
    if (!(available)) {                                                                 \
      if (qEnvironmentVariableIsSet("CI")) FAIL() << (what) << " is missing (deps.sh)"; \
      GTEST_SKIP() << (what) << " is missing";                                          \
    }                                                                                   \
  } while (false)
