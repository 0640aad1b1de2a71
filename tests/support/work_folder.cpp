#include "work_folder.h"

#include "app/form_set.h"
#include "db/data_module.h"
#include "starter/starter_folder.h"
#include "ui/forms.h"

#include <gtest/gtest.h>

namespace korvel::test {

WorkFolder::WorkFolder(bool starter) {
  if (!dir_.isValid()) ADD_FAILURE() << "no temporary folder";
  if (starter) layOutStarterFolder(dir_.path());
}

App::App(const QString& workDir) : forms_(std::make_unique<FormSet>(workDir)) {}

App::~App() = default;

HerdTables& App::dm() { return *forms().herdTables; }

}  // namespace korvel::test
