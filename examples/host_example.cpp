// A small host of the library: builds values of several kinds, compares,
// hashes and prints them in the rule language's text forms, and formats a
// report with the runtime's Format.
#include <cstdio>

#include <ie/ie.h>

using namespace ie;

int main() {
  IIEValue Name = new TIEValue("Say \"hi\"", dtString);
  IIEValue Count = new TIEValue(3, dtInteger);
  IIEValue Ratio = new TIEValue(2.5);
  IIEValue Id = new TIEValue(4, dtFactId);

  IValueVector List = new TValueVector();
  List->Add(Name);
  List->Add(Count);
  List->Add(Ratio);
  List->Add(Id);
  IIEValue Multifield = new TIEValue(List);

  std::printf("multifield:    %s\n", Multifield->GetToString().c_str());
  std::printf("3 eq 2.5:      %s\n", Count->Equals(Ratio) ? "TRUE" : "FALSE");
  std::printf("3 =* 3.7:      %s\n",
              Count->EqualsStar(IIEValue(new TIEValue(3.7))) ? "TRUE" : "FALSE");
  std::printf("hash of list:  %d\n", Multifield->GetHashCode());

  try {
    IIEValue Red = new TIEValue("red", dtAtom);
    Red->GetAsInteger();
  } catch (const EIEException& E) {
    std::printf("error:         %s\n", E.what());
  }

  std::printf("%s\n", Format("%-8s|%6.2f|%5d|%x", "report", 3.14159, 42, 255).c_str());
  return 0;
}
