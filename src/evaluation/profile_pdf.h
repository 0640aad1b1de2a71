// The printable catalogue of the linear profiles: a PDF file opening with contents pages (each
// sire with his code, daughters and page) and then one A4 page per sire showing his profile
// sheet as the workbook holds it, figures, texts and bars alike. Unlike a workbook of thousands
// of sheets, it opens and prints on any office computer.
#pragma once

#include "evaluation/profile_workbook.h"

#include <QString>
#include <functional>

namespace korvel {

// Sires listed on one contents page.
inline constexpr int kContentsRowsPerPage = 40;
// Contents pages of a catalogue of `sires` sires; sire i (from 0) is on page
// catalogueContentsPages(sires) + i + 1.
int catalogueContentsPages(int sires);

// Writes the catalogue to `path` (through a temporary file, so that a failure leaves a file of
// that name as it was); `pageDone` is called after each sire's page. Needs a QGuiApplication.
// Throws xlsx::WriteError with a Russian message naming the file.
void writeProfileCatalogue(const SireEvaluation& evaluation, const ProfileNames& names, const QString& path,
                           const std::function<void(int done, int total)>& pageDone = {});

}  // namespace korvel
