// Every window of the program, created once at start in a fixed order and kept for the life of
// the process. Windows reach one another through these pointers (as pickers, for instance).
#pragma once


namespace korvel {

class MainMenu;
class PictureWindow;
class HerdTables;
class RegionsWindow;
class SelectionKeyDialog;
class FarmsWindow;
class CowWindow;
class BullWindow;
class BreedsWindow;
class DeleteConfirmationDialog;
class CalculationVariantsWindow;
class DaughtersWindow;
class TextInputDialog;
class BackupWindow;
class RestoreWindow;
class InstructionsWindow;

struct Forms {
  MainMenu* mainMenu = nullptr;
  PictureWindow* pictureWindow = nullptr;
  HerdTables* herdTables = nullptr;
  RegionsWindow* regionsWindow = nullptr;
  SelectionKeyDialog* selectionKeyDialog = nullptr;
  FarmsWindow* farmsWindow = nullptr;
  CowWindow* cowWindow = nullptr;
  BullWindow* bullWindow = nullptr;
  BreedsWindow* breedsWindow = nullptr;
  DeleteConfirmationDialog* deleteConfirmationDialog = nullptr;
  CalculationVariantsWindow* variantsWindow = nullptr;
  DaughtersWindow* daughtersWindow = nullptr;
  TextInputDialog* textInputDialog = nullptr;
  BackupWindow* backupWindow = nullptr;
  RestoreWindow* restoreWindow = nullptr;
  InstructionsWindow* instructionsWindow = nullptr;
};

// The windows of the process (empty pointers until the application has created them).
Forms& forms();

}  // namespace korvel
