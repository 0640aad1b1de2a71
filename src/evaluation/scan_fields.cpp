#include "evaluation/scan_fields.h"

#include <algorithm>
#include <bit>

namespace korvel::evaluation {

void FormTable::remember(uint64_t form, long long value) {
  if ((used_ + 1) * 2 > kSlots) return;
  size_t i = slotOf(form);
  while (slots_[i].used) i = (i + 1) & (kSlots - 1);
  slots_[i] = Slot{form, value, true};
  ++used_;
}

FormTable& FormTables::of(const db::FieldDef& field) {
  auto& table = tables_[{field.type, field.width, field.decimals}];
  if (!table) table = std::make_unique<FormTable>();
  return *table;
}

ShortWholeView::ShortWholeView(const db::DbfFile& file, QStringView name, FormTables& tables)
    : whole_(file, name), bytes_(file, name) {
  const db::FieldDef& f = bytes_.def();
  const int length = file.recordLength();
  // The eight bytes start where they end with the field, or at the record's start for a field
  // among its first eight bytes; either way they lie inside the record.
  const int start = std::max(0, f.offset + f.width - 8);
  if (std::endian::native != std::endian::little || f.width < 1 || f.width > 8 || start + 8 > length) return;
  table_ = &tables.of(f);
  back_ = f.offset - start;
  shift_ = 8 * back_;
  mask_ = f.width == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * f.width)) - 1;
}

long long ShortWholeView::learn(const db::Row& row, uint64_t form) const {
  const long long value = whole_(row);  // a form the view refuses throws here and is not kept
  table_->remember(form, value);
  return value;
}

DefectMarks::DefectMarks(const db::DbfFile& file, const std::vector<QString>& names) {
  for (uint32_t k = 0; k < names.size(); ++k) {
    const db::BytesView view(file, names[k]);
    const auto same = std::find_if(fields_.begin(), fields_.end(),
                                   [&](const Field& f) { return f.view.def().offset == view.def().offset; });
    if (same != fields_.end())
      same->shown.push_back(k);
    else
      fields_.push_back({view, {k}});
  }
  std::sort(fields_.begin(), fields_.end(),
            [](const Field& a, const Field& b) { return a.view.def().offset < b.view.def().offset; });
  if (fields_.empty()) return;
  const int begin = fields_.front().view.def().offset;
  const db::FieldDef& last = fields_.back().view.def();
  span_ = size_t(last.offset + last.width - begin);
  owner_.assign(span_, -1);
  for (size_t i = 0; i < fields_.size(); ++i) {
    const db::FieldDef& d = fields_[i].view.def();
    std::fill_n(owner_.begin() + (d.offset - begin), d.width, int32_t(i));
  }
}

}  // namespace korvel::evaluation
