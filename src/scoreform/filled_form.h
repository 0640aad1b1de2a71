// A filled scoring form read back as text: the first sheet of a workbook (.xlsx from any
// application) or a CSV file, each cell as the person sees it.
#pragma once

#include <QString>
#include <vector>

namespace korvel::scoreform {

struct FilledForm {
  std::vector<std::vector<QString>> rows;  // row r, column c, 0-based; trailing empty cells may be absent
  // The cell's name for messages: row 6, column 2 is "C7".
  static QString cellName(int row, int column);
};

// Reads .xlsx or CSV, told apart by content. Throws korvel::UserError with a Russian text
// naming the file and what is wrong with it.
FilledForm readFilledForm(const QString& path);

}  // namespace korvel::scoreform
