#include "app/form_set.h"

#include "app/main_menu.h"
#include "cows/cow_card.h"
#include "db/data_module.h"
#include "evaluation/variants_window.h"
#include "help/instructions_window.h"
#include "help/picture_window.h"
#include "reference/breeds_window.h"
#include "reference/farms_window.h"
#include "reference/regions_window.h"
#include "safety/backup_window.h"
#include "safety/restore_window.h"
#include "sires/bull_card.h"
#include "sires/daughters_window.h"
#include "ui/common_dialogs.h"
#include "ui/forms.h"

namespace korvel {

struct FormSet::Owned {
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TDataModule5> dm;
  std::unique_ptr<TForm6> form6;
  std::unique_ptr<TForm7> form7;
  std::unique_ptr<TForm8> form8;
  std::unique_ptr<TForm9> form9;
  std::unique_ptr<TForm4> form4;
  std::unique_ptr<TForm10> form10;
  std::unique_ptr<TForm11> form11;
  std::unique_ptr<TForm12> form12;
  std::unique_ptr<TForm13> form13;
  std::unique_ptr<TForm14> form14;
  std::unique_ptr<TForm16> form16;
  std::unique_ptr<TForm17> form17;
  std::unique_ptr<TForm18> form18;
};

FormSet::FormSet(const QString& workDir) : owned_(std::make_unique<Owned>()) {
  Forms& f = forms();
  Owned& o = *owned_;
  // The start-up order: the main window, the help picture window, the data module, then the
  // working windows and dialogs. The module is built a moment earlier because every window
  // holds a reference to it; no window touches a table while it is being created.
  o.dm = std::make_unique<TDataModule5>(workDir);
  TDataModule5& dm = *o.dm;
  f.Form1 = (o.form1 = std::make_unique<TForm1>(dm)).get();
  f.Form2 = (o.form2 = std::make_unique<TForm2>()).get();
  f.DataModule5 = &dm;
  f.Form6 = (o.form6 = std::make_unique<TForm6>(dm)).get();
  f.Form7 = (o.form7 = std::make_unique<TForm7>()).get();
  f.Form8 = (o.form8 = std::make_unique<TForm8>(dm)).get();
  f.Form9 = (o.form9 = std::make_unique<TForm9>(dm)).get();
  f.Form4 = (o.form4 = std::make_unique<TForm4>(dm)).get();
  f.Form10 = (o.form10 = std::make_unique<TForm10>(dm)).get();
  f.Form11 = (o.form11 = std::make_unique<TForm11>()).get();
  f.Form12 = (o.form12 = std::make_unique<TForm12>(dm)).get();
  f.Form13 = (o.form13 = std::make_unique<TForm13>(dm)).get();
  f.Form14 = (o.form14 = std::make_unique<TForm14>()).get();
  f.Form16 = (o.form16 = std::make_unique<TForm16>(dm)).get();
  f.Form17 = (o.form17 = std::make_unique<TForm17>(dm)).get();
  f.Form18 = (o.form18 = std::make_unique<TForm18>()).get();
  // A restore brings other tables: the main menu reopens the reference tables.
  o.form17->afterRestore = [&form1 = *o.form1] { form1.FormActivate(); };
}

FormSet::~FormSet() {
  forms() = Forms{};
  // Windows go before the data module whose tables they show.
  Owned& o = *owned_;
  o.form18.reset(); o.form17.reset(); o.form16.reset(); o.form14.reset(); o.form13.reset();
  o.form12.reset(); o.form11.reset(); o.form10.reset(); o.form4.reset(); o.form9.reset();
  o.form8.reset(); o.form7.reset(); o.form6.reset(); o.form2.reset(); o.form1.reset();
  o.dm.reset();
}

}  // namespace korvel
