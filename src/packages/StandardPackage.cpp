// The standard package's table: every function with its usage text, help
// text and arity, in the package's order.
#include "packages/StandardPackage.h"

#include <iterator>

#include "base/IEConsts.h"
#include "packages/StandardFunctions.h"

namespace fxe {

namespace {

using namespace detail;
namespace C = IEConsts;
constexpr std::int32_t N = UnlimitedArguments;
constexpr std::string_view kWatchItems = " all|rules|facts|activations|compilations|statistics";

constexpr TFunctionRow kStandardFunctions[] = {
    {"and", " <expression>*", C::SHelpAnd, 0, N, And},
    {"assert", " <fact>*", C::SHelpAssert, 0, N, Assert},
    {"assert-string", " <string-expression>*", C::SHelpAssertString, 1, N, AssertString},
    {"batch", " <filename>", C::SHelpBatch, 1, 1, Batch},
    {"bind", " <variable> <expression>", C::SHelpBind, 2, 2, Bind},
    {"close", " [<logical-name>+]", C::SHelpClose, 0, N, Close},
    {"do-backward-chaining", " <fact-template-name>*", C::SHelpDoBackwardChaining, 0, N, DoBackwardChaining},
    {"dribble-on", " <filename>", C::SHelpDribbleOn, 1, 1, DribbleOn},
    {"dribble-off", "", C::SHelpDribbleOff, 0, 0, DribbleOff},
    {"duplicate", " <fact-index> (<slot-name> <expression>)*", C::SHelpDuplicate, 2, N, Duplicate},
    {"eq", " <expression> <expression>+", C::SHelpEq, 1, N, Eq},
    {"eq*", " <expression> <expression>+", C::SHelpEqValue, 1, N, EqValue},
    {"=", " <numeric-expression> <numeric-expression>+", C::SHelpNumEqual, 1, N, NumEqual},
    {"__get-var", " <variable-name>", C::SHelpGetVar, 1, 1, GetVar},
    {"foreach", " <variable-name> <list-expression> <expression>*", C::SHelpForeach, 2, N, Foreach},
    {"format", " <logical-name> <string-expression> <expression>*", C::SHelpFormat, 2, N, FormatOut},
    {"gensym*", "", C::SHelpGensym, 0, 0, Gensym},
    {">", " <numeric-expression> <numeric-expression>+", C::SHelpGreater, 2, N, Greater},
    {">=", " <numeric-expression> <numeric-expression>+", C::SHelpGreaterEqual, 2, N, GreaterEqual},
    {"halt", "", C::SHelpHalt, 0, 0, Halt},
    {"if", " <predicate-expression> then <expression>+ [else <expression>+]", C::SHelpIf, 2, N, If},
    {"load-facts", " <filename>", C::SHelpLoadFacts, 1, 1, LoadFacts},
    {"<", " <numeric-expression> <numeric-expression>+", C::SHelpLess, 2, N, Less},
    {"<=", " <numeric-expression> <numeric-expression>+", C::SHelpLessEqual, 2, N, LessEqual},
    {"modify", " <fact-index> (<slot-name> <expression>)+", C::SHelpModify, 1, N, Modify},
    {"neq", " <expression> <expression>*", C::SHelpNeq, 1, N, Neq},
    {"<>", " <numeric-expression> <numeric-expression>*", C::SHelpNumNotEqual, 1, N, NumNotEqual},
    {"not", " <expression>", C::SHelpNot, 1, 1, Not},
    {"open", " <filename> <logical-name> [a|r|w|r+]", C::SHelpOpen, 2, 3, Open},
    {"or", " <expression>*", C::SHelpOr, 0, N, Or},
    {"printout", " <logical-name> <expression>*", C::SHelpPrintout, 0, N, Printout},
    {"read", " [<logical-name>]", C::SHelpRead, 0, 1, Read},
    {"readline", " [<logical-name>]", C::SHelpReadline, 0, 1, Readline},
    {"remove", " [<file-name>]", C::SHelpRemove, 1, 1, Remove},
    {"rename", " [<old-file-name> <new-file-name>]", C::SHelpRename, 2, 2, Rename},
    {"retract", " *|<fact-index>*", C::SHelpRetract, 1, N, Retract},
    {"retract-string", " <fact-string>", C::SHelpRetractString, 0, N, RetractString},
    {"save-facts", " <file-name> [<fact-template-name>+]", C::SHelpSaveFacts, 1, N, SaveFacts},
    {"store", " <variable-name> <value>", C::SHelpStore, 2, 2, Store},
    {"try", " [<expression>*] [finally [<expression>*>] [catch|except [<expression>*]]", C::SHelpTry, 1, N, Try},
    {"version", "", C::SHelpVersion, 0, 0, Version},
    {"watch", kWatchItems, C::SHelpWatch, 1, 1, Watch},
    {"while", " <boolean-expression> [do] <expression>*", C::SHelpWhile, 2, N, While},
    {"clear", "", C::SHelpClear, 0, 0, Clear},
    {"exit", "", C::SHelpExit, 0, 0, Exit},
    {"run", " [<integer-expression>]", C::SHelpRun, 0, 1, Run},
    {"reset", "", C::SHelpReset, 0, 0, Reset},
    {"return", " <expression>", C::SHelpReturn, 1, 1, Return},
    {"fetch", " <lexeme-expression>", C::SHelpFetch, 1, 1, Fetch},
    {"unwatch", kWatchItems, C::SHelpUnwatch, 1, 1, Unwatch},
    {"throw", " <lexeme-expression>", C::SHelpThrow, 1, 1, Throw},
    {"clear-storage", "", C::SHelpClearStorage, 0, 0, ClearStorage},
    {"get-fact-duplication", "", C::SHelpGetFactDuplication, 0, 0, GetFactDuplication},
    {"get-slot-value", " <fact-id-expression>|<fact-expression> [<slot-name-expression> ]", C::SHelpGetSlotValue, 1, 2,
     GetSlotValue},
    {"set-fact-duplication", " <boolean-expression>", C::SHelpSetFactDuplication, 1, 1, SetFactDuplication},
    {"create$", " <expression>*", C::SHelpCreate, 0, N, Create},
    {"delete$", " <multifield-expression> <start-integer-expression> <end-integer-expression>", C::SHelpDelete, 3, 3,
     Delete},
    {"explode$", " <string-expression> ", C::SHelpExplode, 1, 1, Explode},
    {"first$", " <multifield-expression> ", C::SHelpFirst, 1, 1, First},
    {"length$", " <multifield-expression> ", C::SHelpLength, 1, 1, Length},
    {"implode$", " <multifield-expression> ", C::SHelpImplode, 1, 1, Implode},
    {"insert$", " <multifield-expression> <integer-expression> <expression>*", C::SHelpInsert, 2, N, Insert},
    {"member", " <to-find-expression> <expression>+", C::SHelpMember, 2, N, Member},
    {"member$", " <expression> <multifield-expression>", C::SHelpMemberList, 2, 2, MemberList},
    {"nth$", " <integer-expression> <multifield-expression>", C::SHelpNth, 2, 2, Nth},
    {"replace$", " <multifield-expression> <start-integer-expression> <end-integer-expression> <expression>*",
     C::SHelpReplace, 3, N, Replace},
    {"rest$", " <multifield-expression>", C::SHelpRest, 1, 1, Rest},
    {"subseq$", " <multifield-expression> <start-integer-expression> <end-integer-expression>", C::SHelpSubseq, 3, 3,
     Subseq},
    {"subsetp", " <expression> <multifield-expression>", C::SHelpSubsetp, 2, 2, Subsetp},
    {"load", " <filename>", C::SHelpLoad, 1, 1, Load},
    {"save", " <filename>", C::SHelpSave, 1, 1, Save},
};
static_assert(std::size(kStandardFunctions) == 71);

}  // namespace

TStandardPackage::TStandardPackage() : TTablePackage("TStandardPackage", kStandardFunctions) {}

}  // namespace fxe
