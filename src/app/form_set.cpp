#include "app/form_set.h"

#include "app/main_menu.h"
#include "app/window_to_front.h"
#include "cows/cow_card.h"
#include "db/data_module.h"
#include "evaluation/desktop_open.h"
#include "evaluation/variants_window.h"
#include "help/instructions_window.h"
#include "help/picture_window.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/regions_window.h"
#include "safety/backup_window.h"
#include "safety/restore_window.h"
#include "scoreform/scoring_form_actions.h"
#include "sires/bull_card.h"
#include "sires/daughters_window.h"
#include "ui/common_dialogs.h"
#include "ui/forms.h"

#include <QFileInfo>

namespace korvel {

struct FormSet::Owned {
  std::unique_ptr<MainMenu> mainMenu;
  std::unique_ptr<PictureWindow> pictureWindow;
  std::unique_ptr<HerdTables> dm;
  std::unique_ptr<RegionsWindow> regionsWindow;
  std::unique_ptr<SelectionKeyDialog> selectionKeyDialog;
  std::unique_ptr<FarmsWindow> farmsWindow;
  std::unique_ptr<CowWindow> cowWindow;
  std::unique_ptr<BullWindow> bullWindow;
  std::unique_ptr<BreedsWindow> breedsWindow;
  std::unique_ptr<DeleteConfirmationDialog> deleteConfirmationDialog;
  std::unique_ptr<CalculationVariantsWindow> variantsWindow;
  std::unique_ptr<DaughtersWindow> daughtersWindow;
  std::unique_ptr<TextInputDialog> textInputDialog;
  std::unique_ptr<BackupWindow> backupWindow;
  std::unique_ptr<RestoreWindow> restoreWindow;
  std::unique_ptr<InstructionsWindow> instructionsWindow;
};

FormSet::FormSet(const QString& workDir) : owned_(std::make_unique<Owned>()) {
  Forms& f = forms();
  Owned& o = *owned_;
  // The start-up order: the main window, the help picture window, the data module, then the
  // working windows and dialogs. The module is built a moment earlier because every window
  // holds a reference to it; no window touches a table while it is being created.
  o.dm = std::make_unique<HerdTables>(workDir);
  HerdTables& dm = *o.dm;
  f.mainMenu = (o.mainMenu = std::make_unique<MainMenu>(dm)).get();
  f.pictureWindow = (o.pictureWindow = std::make_unique<PictureWindow>()).get();
  f.herdTables = &dm;
  f.regionsWindow = (o.regionsWindow = std::make_unique<RegionsWindow>(dm)).get();
  f.selectionKeyDialog = (o.selectionKeyDialog = std::make_unique<SelectionKeyDialog>()).get();
  f.farmsWindow = (o.farmsWindow = std::make_unique<FarmsWindow>(dm)).get();
  f.cowWindow = (o.cowWindow = std::make_unique<CowWindow>(dm)).get();
  f.bullWindow = (o.bullWindow = std::make_unique<BullWindow>(dm)).get();
  f.breedsWindow = (o.breedsWindow = std::make_unique<BreedsWindow>(dm)).get();
  f.deleteConfirmationDialog = (o.deleteConfirmationDialog = std::make_unique<DeleteConfirmationDialog>()).get();
  f.variantsWindow = (o.variantsWindow = std::make_unique<CalculationVariantsWindow>(dm)).get();
  f.daughtersWindow = (o.daughtersWindow = std::make_unique<DaughtersWindow>(dm)).get();
  f.textInputDialog = (o.textInputDialog = std::make_unique<TextInputDialog>()).get();
  f.backupWindow = (o.backupWindow = std::make_unique<BackupWindow>(dm)).get();
  f.restoreWindow = (o.restoreWindow = std::make_unique<RestoreWindow>(dm)).get();
  f.instructionsWindow = (o.instructionsWindow = std::make_unique<InstructionsWindow>()).get();
  // How the windows reach one another: the lists they borrow as pickers, and what they open.
  const Pickers pickers{o.regionsWindow.get(), o.farmsWindow.get(), o.breedsWindow.get(), o.bullWindow.get()};
  o.farmsWindow->pickers = pickers;
  o.cowWindow->pickers = pickers;
  o.bullWindow->pickers = pickers;
  o.variantsWindow->pickers = pickers;
  o.cowWindow->showPicture = [&picture = *o.pictureWindow](int line, const QString& text) {
    picture.showPictureForLine(line, text);
  };
  o.cowWindow->writeScoringForm = [&dm, &cows = *o.cowWindow](const HerdContext& herd, bool selectionShown) {
    scoreform::writeScoringFormAsked(dm, herd, selectionShown, &cows);
  };
  o.cowWindow->loadScores = [&dm, &cows = *o.cowWindow] { return scoreform::loadScoresAsked(dm, &cows); };
  o.bullWindow->showDaughters = [&daughters = *o.daughtersWindow] { daughters.exec(); };
  o.breedsWindow->evaluateSires = [&variants = *o.variantsWindow](const QString& caption) {
    variants.setWindowTitle(caption);
    variants.exec();
  };
  // A workbook or catalogue the application shows behind the program's windows comes forward:
  // its window is named after the file.
  const auto openInFront = [](bool (*open)(const QString&)) {
    return [open](const QString& path) {
      if (!open(path)) return false;
      bringToFrontWhenShown(QFileInfo(path).completeBaseName());
      return true;
    };
  };
  o.variantsWindow->openWorkbook = openInFront(openInSpreadsheetApplication);
  o.variantsWindow->openCatalogue = openInFront(openInPdfViewer);
  // A restore brings other tables: the main menu reopens the reference tables.
  o.restoreWindow->afterRestore = [&mainMenu = *o.mainMenu, &bulls = *o.bullWindow] {
    mainMenu.FormActivate();
    bulls.setWindowTitle(QStringLiteral("Быки"));
  };
}

FormSet::~FormSet() {
  forms() = Forms{};
  // Windows go before the data module whose tables they show.
  Owned& o = *owned_;
  o.instructionsWindow.reset(); o.restoreWindow.reset(); o.backupWindow.reset();
  o.textInputDialog.reset(); o.daughtersWindow.reset(); o.variantsWindow.reset();
  o.deleteConfirmationDialog.reset(); o.breedsWindow.reset(); o.bullWindow.reset(); o.cowWindow.reset();
  o.farmsWindow.reset(); o.selectionKeyDialog.reset(); o.regionsWindow.reset(); o.pictureWindow.reset();
  o.mainMenu.reset();
  o.dm.reset();
}

}  // namespace korvel
