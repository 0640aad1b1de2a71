// Reading cow fields fast in a scan over every cow: whole numbers of short fields through the
// forms already met, and the defect marks by searching the defect fields' bytes for "+".
//
// A herd's codes and scores are written in few forms ("    1", "  5", " 12", "   "). A
// ShortWholeView converts each form once, with the field's WholeView, and remembers the value
// in a FormTable shared by the fields of one kind; a later row holding the same bytes costs a
// lookup. Every value and every error stays the WholeView's own: a form it refuses is never
// remembered, so the row that holds it throws as it would have.
#pragma once

#include "db/rows.h"

#include <QStringView>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <tuple>
#include <vector>

namespace korvel::evaluation {

// Forms of fields of one kind (type and width) and their values. Open addressing over at most
// half of its slots; once that many forms are known, further forms are converted every time.
class FormTable {
 public:
  static constexpr size_t kSlots = 512;

  // The value remembered for the form, or false.
  bool find(uint64_t form, long long* value) const {
    for (size_t i = slotOf(form);; i = (i + 1) & (kSlots - 1)) {
      const Slot& s = slots_[i];
      if (!s.used) return false;
      if (s.form == form) {
        *value = s.value;
        return true;
      }
    }
  }
  void remember(uint64_t form, long long value);

 private:
  struct Slot {
    uint64_t form = 0;
    long long value = 0;
    bool used = false;
  };
  static size_t slotOf(uint64_t form) { return size_t((form * 0x9E3779B97F4A7C15ULL) >> 55); }
  static_assert(kSlots == 512, "slotOf gives nine bits");

  std::array<Slot, kSlots> slots_{};
  size_t used_ = 0;
};

// The tables of one scan, one per kind of field.
class FormTables {
 public:
  FormTable& of(const db::FieldDef& field);

 private:
  std::map<std::tuple<char, int, int>, std::unique_ptr<FormTable>> tables_;
};

// A whole-number field read as WholeView reads it; fields of at most 8 bytes through the forms
// of `tables`, which must outlive the view.
class ShortWholeView {
 public:
  ShortWholeView() = default;
  ShortWholeView(const db::DbfFile& file, QStringView name, FormTables& tables);

  [[gnu::always_inline]] long long operator()(const db::Row& row) const {
    if (!table_) return whole_(row);
    // The eight record bytes that hold the field, shifted so that the field's first byte is the
    // lowest and masked to the field: the form.
    uint64_t word;
    std::memcpy(&word, bytes_(row).data() - back_, sizeof word);
    const uint64_t form = (word >> shift_) & mask_;
    long long value;
    if (table_->find(form, &value)) return value;
    return learn(row, form);
  }

 private:
  long long learn(const db::Row& row, uint64_t form) const;

  db::WholeView whole_;
  db::BytesView bytes_;
  FormTable* table_ = nullptr;  // null: every row is read by the WholeView
  int back_ = 0;                // from the start of the eight bytes to the field
  int shift_ = 0;
  uint64_t mask_ = 0;
};

// The defect fields of a scan: which of them hold "+" (and "++") in a row.
class DefectMarks {
 public:
  DefectMarks() = default;
  // The fields by shown defect (0-based), named by the catalogue's IDs; one field may be named
  // twice.
  DefectMarks(const db::DbfFile& file, const std::vector<QString>& names);

  // Calls mark(k, strong) for each shown defect k whose field holds "+", strong when it also
  // holds "++"; the other defects are not looked at.
  template <class Mark>
  void forEachMarked(const db::Row& row, Mark&& mark) const {
    if (fields_.empty()) return;
    const char* const first = fields_.front().view(row).data();  // where the fields begin
    const char* p = first;
    const char* const end = first + span_;
    while (p < end) {
      const char* const hit = static_cast<const char*>(std::memchr(p, '+', size_t(end - p)));
      if (!hit) return;
      const int32_t i = owner_[size_t(hit - first)];
      if (i < 0) {  // between the fields
        p = hit + 1;
        continue;
      }
      const Field& f = fields_[size_t(i)];
      const std::string_view bytes = f.view(row);
      bool strong = false;
      for (size_t b = 1; b < bytes.size() && !strong; ++b) strong = bytes[b - 1] == '+' && bytes[b] == '+';
      for (uint32_t k : f.shown) mark(k, strong);
      p = bytes.data() + bytes.size();
    }
  }

 private:
  struct Field {
    db::BytesView view;
    std::vector<uint32_t> shown;  // the shown defects that name it
  };
  std::vector<Field> fields_;   // in record order
  size_t span_ = 0;             // from the first field's start to the last one's end
  std::vector<int32_t> owner_;  // by byte of that stretch: the field that holds it, or -1
};

}  // namespace korvel::evaluation
