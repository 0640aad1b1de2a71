// Every window of the program, created once at start in a fixed order and kept for the life of
// the process. Windows reach one another through these pointers (as pickers, for instance).
#pragma once


namespace korvel {

class TForm1;
class TForm2;
class TDataModule5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm4;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
class TForm16;
class TForm17;
class TForm18;

struct Forms {
  TForm1* Form1 = nullptr;
  TForm2* Form2 = nullptr;
  TDataModule5* DataModule5 = nullptr;
  TForm6* Form6 = nullptr;
  TForm7* Form7 = nullptr;
  TForm8* Form8 = nullptr;
  TForm9* Form9 = nullptr;
  TForm4* Form4 = nullptr;
  TForm10* Form10 = nullptr;
  TForm11* Form11 = nullptr;
  TForm12* Form12 = nullptr;
  TForm13* Form13 = nullptr;
  TForm14* Form14 = nullptr;
  TForm16* Form16 = nullptr;
  TForm17* Form17 = nullptr;
  TForm18* Form18 = nullptr;
};

// The windows of the process (empty pointers until the application has created them).
Forms& forms();

}  // namespace korvel
