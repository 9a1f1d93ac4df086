// The engine's message table. Every text the engine raises or prints as a
// message is a constant here, spelled exactly once; code that raises never
// spells a message inline. The placeholders are filled by Format.
#pragma once

#include <string_view>

namespace fxe {

namespace IEConsts {

// --- Hash tables ---------------------------------------------------------
inline constexpr std::string_view SArgumentIsNull = "Argument is null";
inline constexpr std::string_view SSubscriptOutOfRange = "Subscript out of range";
inline constexpr std::string_view STableIsEmpty = "Table is empty";
inline constexpr std::string_view SNoSuchElement = "No such element";
inline constexpr std::string_view SNonEmptyTable = "Cannot perform this operation with non-empty table";
inline constexpr std::string_view SIllegalNextElement = "Illegal NextElement Call, must be iterating over the keys";
inline constexpr std::string_view SListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr std::string_view SNoSuchElementNamed = "No such element: %s";
inline constexpr std::string_view SInvalidLoadFactor = "Invalid load factor: %s";
inline constexpr std::string_view SCapacityTooLarge = "Hash table capacity too large: %s";

// --- Graph ---------------------------------------------------------------
inline constexpr std::string_view SEdgeNeedsNodes = "Edge must be created with two valid nodes";
inline constexpr std::string_view SNodeUnconnected = "Node \"%s\" is unconnected to any graph";
inline constexpr std::string_view SNotWeightedGraph = "Graph is not a weighted graph";

// --- Engine values -------------------------------------------------------
inline constexpr std::string_view SNotAType = "Not a %s type.  Value (%s) is a %s type";
inline constexpr std::string_view SValueTypeMismatch = "Value and type mismatch";
inline constexpr std::string_view SUncloneableValue = "Uncloneable value.  Value owned an object of &s class type";
inline constexpr std::string_view SCannotAssign = "Cannot assign a %s to a %s";
inline constexpr std::string_view SNoContext = "No context found when trying to resolve a %s value";
inline constexpr std::string_view SCorruptedBinding = "Corrupted Binding, variable not found: %s";
inline constexpr std::string_view SInvalidSetItem = "Invalid item for set: %s";

// --- Streams, lexer and parser base --------------------------------------
inline constexpr std::string_view SOverflowOnPushBack = "Overflow on push back";
inline constexpr std::string_view SInvalidBufferState = "Invalid buffer state";
inline constexpr std::string_view SInvalidOrigin = "Invalid Origin Point specified: %s";
inline constexpr std::string_view SErrorSeeking = "Error seeking in buffer";
inline constexpr std::string_view SUnterminatedString = "Invalid string value, string was not terminated";
inline constexpr std::string_view SInvalidTokenHint = "Invalid Token hint for parsing token: %s";
inline constexpr std::string_view SUnknownVariableName = "Unknown variable name: %s";
inline constexpr std::string_view SParsingError = "Parsing Error, %s in %s at line %s: %s";
inline constexpr std::string_view SErrorsParsingStream = "Errors parsing stream:\r\n%s";
// Our own text: a form that ran out of memory (under a memory limit).
inline constexpr std::string_view SFormOutOfMemory = "Out of memory, the form stopped";
// Stream failures the buffered and file streams report in their own words.
inline constexpr std::string_view SCannotOpenFile = "Cannot open file \"%s\"";
inline constexpr std::string_view SInvalidStreamPosition = "Invalid stream position: %s";
inline constexpr std::string_view SStreamWriteError = "Error writing to stream";

// --- Defined types, templates, facts (model) -----------------------------
inline constexpr std::string_view SNoConstraints = "Defined Type %s does not have %s constraints";
inline constexpr std::string_view SCannotMixFuzzy = "Cannot mix fuzzy type with other primitive types";
inline constexpr std::string_view STypeInheritanceLoop =
    "Type inheritance loop detected, %s type cannot be an ancestor of itself";
inline constexpr std::string_view SCannotContainConstraint = "Defined Type %s cannot contain %s constraint types";
inline constexpr std::string_view SValueNotValid = "Value \"%s\" is not valid, %s";
inline constexpr std::string_view SMultislotCardinality = "Multislot must have between %d and %d elements";
inline constexpr std::string_view SInvalidFuzzyValue = "invalid fuzzy value";
inline constexpr std::string_view SNotInAllowedValues = "Not in allowed values";
inline constexpr std::string_view SRangeBetween = "Range must be between %.4f and %.4f";
inline constexpr std::string_view SInvalidDefaultSlotValue = "Invalid default slot value: %s";
inline constexpr std::string_view SBadSlotType = "Bad Slot Type";
inline constexpr std::string_view SMultislotIsNotSlot = "Invalid value for existing slot, multislot is not slot";
inline constexpr std::string_view SInvalidMultislotDefault =
    "Invalid default value for a multislot, must be a multifield: %s";
inline constexpr std::string_view SBadSlotName = "Bad Slot Name: %s";
inline constexpr std::string_view SSlotIsNotMultislot = "Invalid value for existing slot, slot is not multislot";
inline constexpr std::string_view SSlotNameMismatch = "Index does not match fact slot name: %s and %s";
inline constexpr std::string_view SNoSuchSlotName = "No such slot name: \"%s\"";
inline constexpr std::string_view SSlotValidate = "%s for %s slot";
inline constexpr std::string_view SFactTemplateMissing = "Fact Template is missing";
inline constexpr std::string_view SFactTemplatesDifferent =
    "Unable to assign slot values, fact templates are different: %s and %s";
inline constexpr std::string_view SNoSuchFact = "No Such Fact with ID=%s exists";
// Our own texts for input the model refuses instead of storing something unusable.
inline constexpr std::string_view SInvalidNameCharacter = "Invalid name \"%s\", the character '%s' is not allowed";
inline constexpr std::string_view STemplateInheritanceLoop =
    "Template inheritance loop detected, %s template cannot extend itself";
inline constexpr std::string_view SInvalidRangeBound = "Invalid range bound %s, bounds must be finite numbers";
inline constexpr std::string_view SCardinalityTooLarge = "Cannot create a default multifield of %d elements";
inline constexpr std::string_view SInvalidSlotChange = "Invalid slot change: %s";
inline constexpr std::string_view SNoReasoner = "No inference engine available to %s";

// --- Functions, contexts ---------------------------------------------------
inline constexpr std::string_view STooFewArguments = "Too few arguments for %s";
inline constexpr std::string_view STooManyArguments = "Too many arguments for %s";
inline constexpr std::string_view SFunctionUnimplemented = "Function is unimplemented or unassigned: %s";
inline constexpr std::string_view SFunctionCallError = "%s error: %s";
inline constexpr std::string_view SInvalidDeffunctionArgument =
    "Invalid argument type for deffunction: \"%s\".  Expected %s";
inline constexpr std::string_view SFunctionNameExists = "Function Name already exists: \"%s\"";
// Our own texts for calls and contexts the engine cannot work with.
inline constexpr std::string_view SEvaluationContextRequired =
    "Function %s needs an evaluation context to be called in";
inline constexpr std::string_view SCallDepthExceeded = "Maximum call depth of %d exceeded calling %s";
// Our own texts for resources a runaway program would exhaust.
inline constexpr std::string_view SRunNestedTooDeep = "Rules nested too deeply, more than %d runs inside rule actions";
inline constexpr std::string_view SMultifieldTooLarge = "Multifield too large, more than %d items";
inline constexpr std::string_view SRunOutOfMemory = "Out of memory while rules were firing, the run stopped";
// Our own text for what a deffacts may not do while its facts are asserted.
inline constexpr std::string_view SWhileResetting = "Unable to %s while the engine is resetting";
inline constexpr std::string_view SWildcardNotLast =
    "Invalid parameter %s for deffunction %s, only the last parameter may be a multifield variable";
inline constexpr std::string_view SBindingWithoutFact = "No fact for binding %s";
inline constexpr std::string_view SUnknownFunctionClass = "Unknown function class: %s";
inline constexpr std::string_view SInvalidFunctionData = "Invalid stored function data, expected %s";

// --- Patterns and rules ----------------------------------------------------
inline constexpr std::string_view SCannotBindNegatedPattern = "Cannot bind a negated pattern to a variable";
inline constexpr std::string_view SUnknownEngine = "Unknown/Undefined Inference Engine";
inline constexpr std::string_view SFirstUseNegated = "First Use of Variable is negated, variable name is %s";
inline constexpr std::string_view SDuplicateRuleName = "Duplicate Rules defined with same name: \"%s\"";
// Our own text: a rule the engine's rules own moves only together with them.
inline constexpr std::string_view SRuleRegistered = "Rule %s is registered with its engine and cannot change engines";

// --- Network, tokens, agenda ----------------------------------------------
inline constexpr std::string_view SInvalidTokenAction = "Invalid Token Action";
inline constexpr std::string_view SInvalidCallType = "Invalid Call Type: %s";
inline constexpr std::string_view SBackchainFunctionCall = "Cannot use Function calls in backchained patterns: %s";
inline constexpr std::string_view SInvalidBackchainPattern = "Invalid backward chaining pattern added to the node";
inline constexpr std::string_view SInvalidAgendaObject = "Invalid object, agenda can only accept TActivation objects";
// An error raised by an alpha test, followed by the node's text.
inline constexpr std::string_view SPatternMatchError = "%s for pattern match = %s";

// --- Engine and its collections --------------------------------------------
inline constexpr std::string_view SDefinedTypeExists = "Defined Type Name already exists: \"%s\"";
inline constexpr std::string_view SFactTemplateExists = "Fact Template Name already exists: \"%s\"";
inline constexpr std::string_view SFunctionNamesDiffer = "Function names do not match: %s and %s";
inline constexpr std::string_view SCannotParseKind = "Unable to parse strings of %s at this time";
inline constexpr std::string_view SFactTemplatesInheritanceCorrupted = "Fact templates inheritance structure corrupted";
inline constexpr std::string_view SDefinedTypesInheritanceCorrupted = "Defined types inheritance structure corrupted";
inline constexpr std::string_view SAssignTemplatesDiffer =
    "Unable to assign slot values, fact templates are different: %s and %s";
inline constexpr std::string_view SDuplicateStreamName = "Duplicate streams defined with same name: \"%s\"";
inline constexpr std::string_view SInvalidStreamName = "Invalid stream name: %s";
inline constexpr std::string_view SEventNotImplemented =
    "The %s event has not been implemented or unassigned.\r\nWarning: Implementation of this function requires a "
    "blocking mechanism, \r\nsuch as ShowModal, or the use of threads";
// Our own texts for files the engine cannot read or write, and for stored
// properties it cannot read.
inline constexpr std::string_view SCannotReadFile = "Unable to read file \"%s\": %s";
inline constexpr std::string_view SCannotWriteFile = "Unable to write file \"%s\": %s";
inline constexpr std::string_view SInvalidStoredProperties = "Invalid stored properties: %s";
inline constexpr std::string_view SUnknownStoredProperty = "Invalid stored properties: unknown property \"%s\"";
// Our own text: several entries of stored properties that could not be read.
inline constexpr std::string_view SStoredPropertiesErrors = "Errors loading stored properties:\r\n%s";
// Our own text: stored properties hold JSON texts, which cannot carry bytes
// that are not UTF-8.
inline constexpr std::string_view SCannotStoreProperties = "Unable to store properties: %s";
// Our own text: batch and load files that run one another without end.
inline constexpr std::string_view SFilesNestedTooDeep = "Files nested too deeply, more than %d levels: %s";
// Our own texts: the commands of a batch file that failed, by line.
inline constexpr std::string_view SBatchErrors = "Errors in batch file \"%s\":\r\n%s";
inline constexpr std::string_view SBatchLineError = "line %d: %s";

// --- Construct and rule parser ---------------------------------------------
inline constexpr std::string_view SUnexpectedSymbol =
    "Unexpected symbol, expected a \"(\", constant, or global variable: %s";
inline constexpr std::string_view SExpectedDeftype = "Expected \"( deftype\"";
inline constexpr std::string_view SExpectedDeftemplate = "Expected \"( deftemplate\"";
inline constexpr std::string_view SExpectedDeffacts = "Expected \"( deffacts\"";
inline constexpr std::string_view SExpectedDeffunction = "Expected \"( deffunction\"";
inline constexpr std::string_view SExpectedDefglobal = "Expected \"( defglobal\"";
inline constexpr std::string_view SExpectedDefrule = "Expected \"( defrule\"";
inline constexpr std::string_view SExpectedTerm = "Expected \"( term\"";
inline constexpr std::string_view SMissingName = "Missing name";
inline constexpr std::string_view SMissingKeyword = "Missing keyword.  Expected \"%s\"";
inline constexpr std::string_view SExpectedOpenParen = "Expected \"(\"";
inline constexpr std::string_view SExpectedCloseParen = "Expected \")\"";
inline constexpr std::string_view SExpectedText = "Expected \"%s\"";
inline constexpr std::string_view SInvalidSlotTypeName = "Invalid slot type: %s";
inline constexpr std::string_view SMultipleInheritance = "Multiple inheritance is not allowed for deftypes";
inline constexpr std::string_view SExpectedBound = "Expected integer, variable, or function call for %s";
inline constexpr std::string_view SExpectedValueMissing = "Expected value missing";
inline constexpr std::string_view SExpectedAllowedValue = "Expected allowed value argument for deftype, received %s";
inline constexpr std::string_view SMissingParentTemplate = "Missing name of parent template to extend";
inline constexpr std::string_view SMissingTemplateType = "Missing name of type for fact template";
inline constexpr std::string_view STypeNameUnknown = "type name unknown or invalid: %s";
inline constexpr std::string_view SExpectedTemplateClause = "Expected \"(\", \"extends\", or \"is-a\"";
inline constexpr std::string_view SInvalidSlotQualifier = "Invalid slot qualifier: %s";
inline constexpr std::string_view SFuzzyTypeModification =
    "Invalid attempt to modify fuzzy type in fact template slot, fuzzy types cannot be modified";
inline constexpr std::string_view SBadVariableName = "Bad Variable Name, must start and end with an asterisk: %s";
inline constexpr std::string_view SUnexpectedCharacter = "Unexpected character found: \"%s\"";
inline constexpr std::string_view SUnexpectedEndOfStream = "Unexpected end of stream";
inline constexpr std::string_view SBadArgument = "Bad Argument: %s";
inline constexpr std::string_view SEqualsInFact = "\"=\" cannot appear as an atom within a fact";
inline constexpr std::string_view SBadSlotValue = "Bad Slot Value: %s";
inline constexpr std::string_view SExpectedPointCoordinate = "Expected number, variable, or function call";
inline constexpr std::string_view SExpectedFactOpen = "Expected \"( <atom>\"";
inline constexpr std::string_view SUnknownFactTemplate = "Unknown fact template: %s";
inline constexpr std::string_view SExpectedArrow = "Expected \"=>\"";
inline constexpr std::string_view SExpectedRuleProperty = "Expected rule property, salience, oneshot, or enabled";
inline constexpr std::string_view SExpectedBindArrow = "Expected \"<-\"";
inline constexpr std::string_view SNotTestBound = "\"not\" and \"test\" CEs cannot be bound to variables";
inline constexpr std::string_view SSlotNotMultislot = "Slot \"%s\" is not a multislot";
// Our own text: input nested deeper than the parser follows.
inline constexpr std::string_view SNestingTooDeep = "Input nested too deeply, more than %d levels";

// --- Standard package: messages ----------------------------------------------
inline constexpr std::string_view SSyntaxError = "Syntax Error: %s";
inline constexpr std::string_view SMissingThen = "Missing \"then\" in an IF statement";
inline constexpr std::string_view SMissingCatchOrFinally = "Missing catch or finally statement for try block";
inline constexpr std::string_view SInvalidMultifieldRange = "Invalid multifield begin and end parameters: %d, %d";
inline constexpr std::string_view SInvalidFileAccess = "Invalid File Access Specifier: \"%s\"";
// Our own texts for arguments the standard functions cannot work with.
inline constexpr std::string_view SInvalidWatchItem = "Invalid watch item: %s";
inline constexpr std::string_view SFormatFieldTooWide = "Format width or precision too large: %s";
inline constexpr std::string_view SNoSuchFactSlot = "Fact %s has no slot to read";
inline constexpr std::string_view SErrorVariable = "__ERROR";

// --- Standard package: help texts ----------------------------------------------
inline constexpr std::string_view SHelpAnd =
    "Returns TRUE if no argument evaluates to FALSE.  Evaluation stops at the first FALSE argument";
inline constexpr std::string_view SHelpAssert =
    "Asserts each fact and returns the fact-id of the last one, or FALSE when nothing was asserted";
inline constexpr std::string_view SHelpAssertString =
    "Parses each string as a fact and asserts it; returns the fact-id of the last one, or FALSE";
inline constexpr std::string_view SHelpBatch =
    "Executes the commands in the file as if they were typed; returns TRUE on success, FALSE otherwise";
inline constexpr std::string_view SHelpBind = "Binds the variable to the value of the expression and returns the value";
inline constexpr std::string_view SHelpClose =
    "Closes the streams of the logical names given, or every open file when no name is given";
inline constexpr std::string_view SHelpDoBackwardChaining = "Marks the fact templates for backward chaining";
inline constexpr std::string_view SHelpDribbleOn =
    "Copies all standard output to the file; returns TRUE when the file could be created, FALSE otherwise";
inline constexpr std::string_view SHelpDribbleOff = "Stops copying standard output to the dribble file";
inline constexpr std::string_view SHelpDuplicate =
    "Asserts a copy of the fact with the given slot values changed and returns the new fact-id";
inline constexpr std::string_view SHelpEq =
    "Returns TRUE if the first argument equals every following argument in type and value, FALSE otherwise";
inline constexpr std::string_view SHelpEqValue =
    "Returns TRUE if the first argument equals every following argument in value (types may differ)";
inline constexpr std::string_view SHelpNumEqual =
    "Returns TRUE if the first number equals every following number, FALSE otherwise";
inline constexpr std::string_view SHelpGetVar = "Returns the value bound to the variable, or nil when it is not bound";
inline constexpr std::string_view SHelpForeach =
    "Executes a loop where a set of statements are applied to a list.  The first argument specifies a variable "
    "name.  Each item in the second argument list is assigned to the variable and then all the rest of the "
    "arguments are executed.  The function returns the value of the last statement or the return value if a "
    "\"return\" statement was found.\r\n"
    "Example:\r\n"
    "    (foreach ?item (create$ a b c)\r\n"
    "        (printout t ?item crlf))\r\n"
    "prints a, b and c, each on a line of its own";
inline constexpr std::string_view SHelpFormat =
    "Writes the control string to the logical name with each directive replaced by the next argument, "
    "formatted as the directive says; %n writes a line break";
inline constexpr std::string_view SHelpGensym = "Returns a new symbol \"gen\" followed by the next sequence number";
inline constexpr std::string_view SHelpGreater =
    "Returns TRUE if each number is greater than the number after it, FALSE otherwise";
inline constexpr std::string_view SHelpGreaterEqual =
    "Returns TRUE if each number is greater than or equal to the number after it, FALSE otherwise";
inline constexpr std::string_view SHelpHalt = "Halts the running engine after the rule being fired";
inline constexpr std::string_view SHelpIf =
    "Evaluates the expressions after then when the predicate is not FALSE, otherwise those after else; "
    "returns the value of the last expression evaluated";
inline constexpr std::string_view SHelpLoadFacts = "Reads the facts in the file and asserts them";
inline constexpr std::string_view SHelpLess =
    "Returns TRUE if each number is less than the number after it, FALSE otherwise";
inline constexpr std::string_view SHelpLessEqual =
    "Returns TRUE if each number is less than or equal to the number after it, FALSE otherwise";
inline constexpr std::string_view SHelpModify =
    "Retracts the fact and asserts it again with the given slot values; returns the new fact-id";
inline constexpr std::string_view SHelpNeq =
    "Returns TRUE if the first argument equals none of the following arguments, FALSE otherwise";
inline constexpr std::string_view SHelpNumNotEqual =
    "Returns TRUE if the first number equals none of the following numbers, FALSE otherwise";
inline constexpr std::string_view SHelpNot = "Returns TRUE if the argument evaluates to FALSE, FALSE otherwise";
inline constexpr std::string_view SHelpOpen =
    "Opens the file under the logical name: r reads (the default), r+ reads and writes, w writes a new file, "
    "a appends to the file";
inline constexpr std::string_view SHelpOr =
    "Returns TRUE if an argument does not evaluate to FALSE.  Evaluation stops at the first such argument";
inline constexpr std::string_view SHelpPrintout =
    "Writes the values of the expressions to the logical name; the symbol crlf writes a line break";
inline constexpr std::string_view SHelpRead =
    "Reads one token from the logical name (standard input when none is given); EOF at the end";
inline constexpr std::string_view SHelpReadline =
    "Reads one line from the logical name (standard input when none is given); EOF when no input is available";
inline constexpr std::string_view SHelpRemove = "Deletes the file; returns TRUE on success, FALSE otherwise";
inline constexpr std::string_view SHelpRename = "Renames the file; returns TRUE on success, FALSE otherwise";
inline constexpr std::string_view SHelpRetract =
    "Retracts the facts with the given fact indexes, or every fact when the argument is *";
inline constexpr std::string_view SHelpRetractString =
    "Retracts the first fact equal to each string parsed as a fact; returns TRUE when each one was found";
inline constexpr std::string_view SHelpSaveFacts =
    "Writes the facts, all of them or those of the fact templates named, to the file";
inline constexpr std::string_view SHelpStore = "Stores the value under the name and returns the value";
inline constexpr std::string_view SHelpTry =
    "Evaluates the expressions; the expressions after finally are always evaluated afterwards, those after "
    "catch (or except) when an error was raised, with ?__ERROR bound to its message";
inline constexpr std::string_view SHelpVersion = "Returns the version of the engine";
inline constexpr std::string_view SHelpWatch = "Starts tracing the item: all, rules, facts, activations, compilations "
                                               "or statistics";
inline constexpr std::string_view SHelpWhile =
    "Evaluates and executes the expressions in a loop as long as the boolean expression evaluates to TRUE.  The "
    "<boolean-expression> is evaluated BEFORE the start of the loop, including the first time";
inline constexpr std::string_view SHelpClear = "Clears the engine: removes all facts, rules, templates and deffunctions";
inline constexpr std::string_view SHelpExit = "Stops the engine immediately";
inline constexpr std::string_view SHelpRun =
    "Runs the engine, at most the given number of rule firings; returns the number of rules fired";
inline constexpr std::string_view SHelpReset = "Resets the engine: the initial fact, the deffacts and the globals";
inline constexpr std::string_view SHelpReturn =
    "Ends the deffunction or loop being evaluated and makes the value of the expression its result";
inline constexpr std::string_view SHelpFetch = "Returns the value stored under the name, or nil when there is none";
inline constexpr std::string_view SHelpUnwatch = "Stops tracing the item: all, rules, facts, activations, "
                                                 "compilations or statistics";
inline constexpr std::string_view SHelpThrow = "Raises an error whose message is the text of the argument";
inline constexpr std::string_view SHelpClearStorage = "Removes every value stored with store";
inline constexpr std::string_view SHelpGetFactDuplication = "Returns TRUE if equal facts may be asserted, else FALSE";
inline constexpr std::string_view SHelpGetSlotValue =
    "Returns the value of the named slot of the fact (the fact's first slot when no name is given)";
inline constexpr std::string_view SHelpSetFactDuplication =
    "Sets whether equal facts may be asserted and returns the previous setting";
inline constexpr std::string_view SHelpCreate = "Returns a multifield of the values of the arguments";
inline constexpr std::string_view SHelpDelete =
    "Returns the multifield without the items from start to end (0-based, inclusive)";
inline constexpr std::string_view SHelpExplode =
    "Returns a multifield of the blank-separated words of the string, each as a symbol";
inline constexpr std::string_view SHelpFirst = "Returns the first item of the multifield, or nil when it is empty";
inline constexpr std::string_view SHelpLength = "Returns the number of items of the multifield";
inline constexpr std::string_view SHelpImplode =
    "Returns a string of the items of the multifield separated by single blanks";
inline constexpr std::string_view SHelpInsert =
    "Returns the multifield with each value inserted at the 0-based index in turn";
inline constexpr std::string_view SHelpMember =
    "Returns the index of the argument that matches the first argument, or FALSE if the first argument is not "
    "found.  The index returned is 0-based";
inline constexpr std::string_view SHelpMemberList =
    "Returns the 0-based index of the first item equal to the value, or FALSE if the multifield does not hold it";
inline constexpr std::string_view SHelpNth = "Returns the item at the 0-based index of the multifield";
inline constexpr std::string_view SHelpReplace =
    "Returns the multifield with the items from start to end (0-based, inclusive) replaced by the values";
inline constexpr std::string_view SHelpRest = "Returns the multifield without its first item";
inline constexpr std::string_view SHelpSubseq =
    "Returns the items of the multifield from start to end (0-based, inclusive)";
inline constexpr std::string_view SHelpSubsetp =
    "Returns TRUE if the first argument is a subset of the second argument, FALSE otherwise";
inline constexpr std::string_view SHelpLoad = "Reads the constructs in the file into the engine";
inline constexpr std::string_view SHelpSave =
    "Writes the templates, facts, fact sets, rules and deffunctions of the engine to the file";

// --- Object package and host objects --------------------------------------
inline constexpr std::string_view SExpectedComponent = "Expected component argument to %s function call";
inline constexpr std::string_view SInvalidPropertyType = "Invalid property type: %s";
// Our own texts for object arguments and host objects the package cannot use.
inline constexpr std::string_view SExpectedObject = "Expected object argument to %s function call, received %s";
inline constexpr std::string_view SExpectedClass = "Expected class argument to %s function call, received %s";
inline constexpr std::string_view SExpectedAction = "Expected action argument to %s function call";
inline constexpr std::string_view SObjectFreed = "Object of class %s has been freed and can no longer be used";
inline constexpr std::string_view SNoObjectHost = "No host object model is installed for %s";
inline constexpr std::string_view SPropertyOutOfRange = "Value of property %s does not fit an integer";
inline constexpr std::string_view SUnknownClass = "Unknown class: %s";
inline constexpr std::string_view SUnknownProperty = "Unknown property %s of class %s";
inline constexpr std::string_view SInvalidPropertyValue = "Invalid value for property %s";
inline constexpr std::string_view SClassExists = "Class Name already exists: \"%s\"";
inline constexpr std::string_view SClassNotComponent = "Class %s is not a component class";
inline constexpr std::string_view SClassNotCreatable = "Class %s cannot be created";
inline constexpr std::string_view SWidgetNeedsWidget = "A widget of class %s needs a widget as its owner or parent";
inline constexpr std::string_view SObjectHoldsEngine = "Object %s holds the engine and cannot be freed";
inline constexpr std::string_view SPropertyReadOnly = "Property %s cannot be set";

// --- Demonstration window --------------------------------------------------
inline constexpr std::string_view SChartNotWritten = "the image could not be written";

// --- Predicate package -----------------------------------------------------
inline constexpr std::string_view SVerifyTypeHelp =
    "Returns TRUE if the argument is of the following type(s): %s.  If the argument is any other type, FALSE is "
    "returned";
inline constexpr std::string_view SVerifyTypeUsage = " <expression>";
inline constexpr std::string_view SNoTypes = "NONE";
inline constexpr std::string_view SHelpEvenp = "Returns TRUE if the argument is an even integer, FALSE otherwise";
inline constexpr std::string_view SHelpOddp = "Returns TRUE if the argument is an odd integer, FALSE otherwise";
inline constexpr std::string_view SHelpGetType =
    "Returns a symbol naming the type of the evaluated argument, for example dtInteger, dtFloat, dtAtom or dtList";

// --- Math package ----------------------------------------------------------
// Our own texts for results the numbers of the engine cannot hold.
inline constexpr std::string_view SIntegerOverflow = "Integer overflow in %s function call";
inline constexpr std::string_view SDivisionByZero = "Division by zero in %s function call";
inline constexpr std::string_view SInvalidFloatOperation = "Invalid floating point operation in %s function call";
inline constexpr std::string_view SFloatOverflow = "Floating point overflow in %s function call";
inline constexpr std::string_view SInvalidRandomRange =
    "Invalid random range, the high value must be greater than 0: %d";
inline constexpr std::string_view SHelpDivide =
    "Divides the first argument by each of the following arguments; the result is always a float";
inline constexpr std::string_view SHelpSubtract =
    "Subtracts each of the following arguments from the first; the result is an integer unless a float took part";
inline constexpr std::string_view SHelpMod =
    "Returns the remainder of dividing the first integer by the second; it has the sign of the first";
inline constexpr std::string_view SHelpAdd =
    "Returns the sum of the arguments; the result is an integer unless a float took part";
inline constexpr std::string_view SHelpMultiply =
    "Returns the product of the arguments; the result is an integer unless a float took part";
inline constexpr std::string_view SHelpAbs =
    "Returns the absolute value of the argument; an integer stays an integer, anything else becomes a float";
inline constexpr std::string_view SHelpDiv =
    "Divides the first integer by each of the following integers, discarding the remainder each time";
inline constexpr std::string_view SHelpExp = "Returns e raised to the power of the argument, as a float";
inline constexpr std::string_view SHelpPower = "Returns the first argument raised to the power of the second, as a float";
inline constexpr std::string_view SHelpPi = "Returns the constant pi, as a float";
inline constexpr std::string_view SHelpFloat = "Returns the argument converted to a float";
inline constexpr std::string_view SHelpInteger = "Returns the argument converted to an integer, truncated toward zero";
inline constexpr std::string_view SHelpMax =
    "Returns the largest of the arguments; it is a float if it or the first argument is a float";
inline constexpr std::string_view SHelpMin =
    "Returns the smallest of the arguments; it is a float if it or the first argument is a float";
inline constexpr std::string_view SHelpLog = "Returns the natural logarithm of the argument, as a float";
inline constexpr std::string_view SHelpLog10 = "Returns the base-10 logarithm of the argument, as a float";
inline constexpr std::string_view SHelpRandom =
    "Returns a random integer from low up to, but not including, low + high; low defaults to 0 and high to 65536";
inline constexpr std::string_view SHelpRandomize =
    "Reseeds the random number generator from the argument, or from the clock when there is none";
inline constexpr std::string_view SHelpRound =
    "Rounds the argument to the nearest integral value, halves to the even neighbour, and returns it as a float";
inline constexpr std::string_view SHelpSqrt = "Returns the square root of the argument, as a float";
inline constexpr std::string_view SHelpSeed =
    "Sets the seed of the random number generator; the same seed gives the same sequence of random numbers";

// --- String package --------------------------------------------------------
inline constexpr std::string_view SInvalidSubstring = "Invalid substring parameters: %d, %d";
inline constexpr std::string_view SHelpSymCat = "Concatenates the texts of the arguments and returns them as a symbol";
inline constexpr std::string_view SHelpLowcase = "Returns a copy of the string or symbol with every letter in lower case";
inline constexpr std::string_view SHelpStrCat = "Concatenates the texts of the arguments and returns them as a string";
inline constexpr std::string_view SHelpStrCompare =
    "Compares the two texts case-sensitively; returns a negative integer, 0 or a positive integer when the first "
    "is less than, equal to or greater than the second";
inline constexpr std::string_view SHelpStrIndex =
    "Returns the 1-based position of the first text inside the second, or FALSE when it is not found";
inline constexpr std::string_view SHelpStrLength = "Returns the number of characters of the text";
inline constexpr std::string_view SHelpSubString =
    "Returns the characters from the start position to the end position of the text (1-based, inclusive) as a string";
inline constexpr std::string_view SHelpUpcase = "Returns a copy of the string or symbol with every letter in upper case";

// --- Trigonometry package --------------------------------------------------
inline constexpr std::string_view SUnequalMultifields =
    "Invalid multifield arguments, the two multifields must be of the same length";
inline constexpr std::string_view SHelpAcos = "Returns the inverse cosine of the argument, in radians from 0 to pi";
inline constexpr std::string_view SHelpAsin = "Returns the inverse sine of the argument, in radians from -pi/2 to pi/2";
inline constexpr std::string_view SHelpAtan = "Returns the inverse tangent of the argument, in radians";
inline constexpr std::string_view SHelpAcosh = "Returns the inverse hyperbolic cosine of the argument (at least 1)";
inline constexpr std::string_view SHelpAsinh = "Returns the inverse hyperbolic sine of the argument";
inline constexpr std::string_view SHelpAtanh = "Returns the inverse hyperbolic tangent of the argument (between -1 and 1)";
inline constexpr std::string_view SHelpAcot = "Returns the inverse cotangent of the argument: pi/2 - atan(x)";
inline constexpr std::string_view SHelpAcoth = "Returns the inverse hyperbolic cotangent of the argument";
inline constexpr std::string_view SHelpAcsc = "Returns the inverse cosecant of the argument, in radians";
inline constexpr std::string_view SHelpAcsch = "Returns the inverse hyperbolic cosecant of the argument";
inline constexpr std::string_view SHelpAsec = "Returns the inverse secant of the argument, in radians";
inline constexpr std::string_view SHelpAsech = "Returns the inverse hyperbolic secant of the argument";
inline constexpr std::string_view SHelpAtan2 =
    "Returns the angle of Y/X in radians from -pi to pi, in the quadrant given by the signs of X and Y";
inline constexpr std::string_view SHelpCos = "Returns the cosine of the angle, given in radians";
inline constexpr std::string_view SHelpSin = "Returns the sine of the angle, given in radians";
inline constexpr std::string_view SHelpTan = "Returns the tangent of the angle, given in radians";
inline constexpr std::string_view SHelpCosh = "Returns the hyperbolic cosine of the argument";
inline constexpr std::string_view SHelpSinh = "Returns the hyperbolic sine of the argument";
inline constexpr std::string_view SHelpTanh = "Returns the hyperbolic tangent of the argument";
inline constexpr std::string_view SHelpCot = "Returns the cotangent of the angle (1/tan), given in radians";
inline constexpr std::string_view SHelpCsc = "Returns the cosecant of the angle (1/sin), given in radians";
inline constexpr std::string_view SHelpSec = "Returns the secant of the angle (1/cos), given in radians";
inline constexpr std::string_view SHelpCoth = "Returns the hyperbolic cotangent of the argument";
inline constexpr std::string_view SHelpCsch = "Returns the hyperbolic cosecant of the argument";
inline constexpr std::string_view SHelpSech = "Returns the hyperbolic secant of the argument";
inline constexpr std::string_view SHelpCycleRad = "Converts cycles to radians: 2 * pi * cycles";
inline constexpr std::string_view SHelpRadCycle = "Converts radians to cycles: radians / (2 * pi)";
inline constexpr std::string_view SHelpDegRad = "Converts degrees to radians: degrees * pi / 180";
inline constexpr std::string_view SHelpRadDeg = "Converts radians to degrees: radians * 180 / pi";
inline constexpr std::string_view SHelpGradRad = "Converts grads to radians: grads * pi / 200";
inline constexpr std::string_view SHelpRadGrad = "Converts radians to grads: radians * 200 / pi";
inline constexpr std::string_view SHelpDegGrad = "Converts degrees to grads: degrees * 10 / 9";
inline constexpr std::string_view SHelpGradDeg = "Converts grads to degrees: grads * 9 / 10";
inline constexpr std::string_view SHelpHypotenuse = "Returns the square root of X squared plus Y squared";
inline constexpr std::string_view SHelpDistance =
    "Returns the Euclidean distance between two points given as multifields of coordinates";
inline constexpr std::string_view SHelpDistanceSqr =
    "Returns the squared Euclidean distance between two points given as multifields of coordinates";
inline constexpr std::string_view SHelpDistanceManhattan =
    "Returns the sum of the absolute differences of the coordinates of two points given as multifields";

// --- Business package ------------------------------------------------------
// Our own texts for arguments the financial formulas cannot work with.
inline constexpr std::string_view SInvalidPaymentTime =
    "Invalid payment time: %s, expected ptEndOfPeriod or ptStartOfPeriod";
inline constexpr std::string_view SNoConvergence = "%s did not converge to a rate within %d iterations";
inline constexpr std::string_view SInvalidPeriod = "Invalid period %d, expected a period from 1 to %d";
inline constexpr std::string_view SHelpDoubleDecliningBalance =
    "Returns the depreciation of the asset for the period by the double-declining-balance method";
inline constexpr std::string_view SHelpFutureValue =
    "Returns the future value of an investment of regular payments at a fixed rate per period";
inline constexpr std::string_view SHelpInterestPayment =
    "Returns the interest part of the payment for the given period of a loan or investment";
inline constexpr std::string_view SHelpInterestRate =
    "Returns the rate per period that, with the payments, grows the present value to the future value";
inline constexpr std::string_view SHelpInternalRateOfReturn =
    "Returns the internal rate of return of the cash flows (the first is at time 0), starting the search at the "
    "guess";
inline constexpr std::string_view SHelpNetPresentValue =
    "Returns the net present value of the cash flows, one per period, at the rate per period";
inline constexpr std::string_view SHelpNumberOfPeriods =
    "Returns the number of periods needed to reach the future value with the payments at the rate";
inline constexpr std::string_view SHelpPayment =
    "Returns the fully amortising payment per period for the present value, future value and rate";
inline constexpr std::string_view SHelpPeriodPayment =
    "Returns the principal part of the payment for the given period of a loan or investment";
inline constexpr std::string_view SHelpPresentValue =
    "Returns the present value of an investment of regular payments at a fixed rate per period";
inline constexpr std::string_view SHelpSlnDepreciation =
    "Returns the straight-line depreciation of the asset per period: (cost - salvage) / life";
inline constexpr std::string_view SHelpSydDepreciation =
    "Returns the depreciation of the asset for the period by the sum-of-years'-digits method";
// --- Miscellaneous package -------------------------------------------------
inline constexpr std::string_view SUnknownConstructName = "Unknown %s name: %s";
inline constexpr std::string_view SKindFactSet = "fact set";
inline constexpr std::string_view SKindUserFunction = "user function";
inline constexpr std::string_view SKindFactTemplate = "fact template";
inline constexpr std::string_view SKindRule = "rule";
inline constexpr std::string_view SKindDefinedType = "defined type";
// The closing sentences of the listings (written without a line end).
inline constexpr std::string_view STotalRuleNames = "for a total of %d rules.";
inline constexpr std::string_view STotalDefTypes = "for a total of %d deftypes.";
inline constexpr std::string_view STotalDefFacts = "for a total of %d deffacts.";
inline constexpr std::string_view STotalDefFunctions = "for a total of %d deffunctions.";
inline constexpr std::string_view STotalDefTemplates = "for a total of %d deftemplates.";
inline constexpr std::string_view STotalFacts = "For a total of %d facts.";
inline constexpr std::string_view STotalRules = "For a total of %d rules.";
// Our own texts: date and time conversions, dialog arguments.
inline constexpr std::string_view SInvalidDate = "'%s' is not a valid date";
inline constexpr std::string_view SInvalidTime = "'%s' is not a valid time";
inline constexpr std::string_view SInvalidDateTime = "'%s' is not a valid date and time";
inline constexpr std::string_view SInvalidDateEncode = "Invalid argument to date encode";
inline constexpr std::string_view SInvalidTimeEncode = "Invalid argument to time encode";
inline constexpr std::string_view SDateTimeOutOfRange = "Date-time value out of range: %s";
inline constexpr std::string_view SUnterminatedFormatQuote = "Unterminated quoted text in date-time format: %s";
inline constexpr std::string_view SEngineTemplate = "Cannot remove the engine's own fact template: %s";
inline constexpr std::string_view SInvalidDialogType = "Invalid message dialog type: %s";
inline constexpr std::string_view SInvalidDialogButton = "Invalid message dialog button: %s";
// Help texts of the package's functions.
inline constexpr std::string_view SHelpDecodeYear = "The year of a date-time value, as an integer.";
inline constexpr std::string_view SHelpDecodeMonth = "The month (1 to 12) of a date-time value, as an integer.";
inline constexpr std::string_view SHelpDecodeDay = "The day of the month of a date-time value, as an integer.";
inline constexpr std::string_view SHelpDecodeHour = "The hour (0 to 23) of a date-time value, as an integer.";
inline constexpr std::string_view SHelpDecodeMinute = "The minute of a date-time value, as an integer.";
inline constexpr std::string_view SHelpDecodeSecond = "The second of a date-time value, as an integer.";
inline constexpr std::string_view SHelpDecodeMillisecond = "The millisecond of a date-time value, as an integer.";
inline constexpr std::string_view SHelpEncodeDate =
    "A date value from a year, a month and a day (month and day default to 1).";
inline constexpr std::string_view SHelpEncodeTime =
    "A time value from an hour, a minute, a second and a millisecond (all but the hour default to 0).";
inline constexpr std::string_view SHelpSystemDateTime = "The current date and time as a date-time value.";
inline constexpr std::string_view SHelpSystemDate = "The current date as a date-time value.";
inline constexpr std::string_view SHelpSystemTime = "The current time of day as a date-time value.";
inline constexpr std::string_view SHelpStrDateTime =
    "Converts a text \"yyyy-mm-dd hh:nn:ss\" (the time may be left out) to a date-time value.";
inline constexpr std::string_view SHelpStrDate = "Converts a date text \"yyyy-mm-dd\" to a date-time value.";
inline constexpr std::string_view SHelpStrTime =
    "Converts a time text \"hh:nn[:ss[.zzz]]\" to a date-time value.";
inline constexpr std::string_view SHelpDateTimeStr = "Converts a date-time value to a text \"yyyy-mm-dd hh:nn:ss\".";
inline constexpr std::string_view SHelpDateStr = "Converts a date-time value to a date text \"yyyy-mm-dd\".";
inline constexpr std::string_view SHelpTimeStr = "Converts a date-time value to a time text \"hh:nn:ss\".";
inline constexpr std::string_view SHelpDateTimeStrFormat =
    "Converts a date-time value to text by a format of yyyy, yy, mmmm, mmm, mm, m, dddd, ddd, dd, d, hh, h, nn, n, "
    "ss, s, zzz, am/pm and quoted literal text.";
inline constexpr std::string_view SHelpGuard =
    "Evaluates its arguments in order and returns the last value; inside a firing rule, the rule cannot be "
    "activated again by what they do.";
inline constexpr std::string_view SHelpParse = "Parses and executes the string as engine input.";
inline constexpr std::string_view SHelpTime = "The seconds since midnight, as a float.";
inline constexpr std::string_view SHelpAgenda = "Lists the activations on the agenda.";
inline constexpr std::string_view SHelpGetDynamicChecking = "TRUE when dynamic constraint checking is on.";
inline constexpr std::string_view SHelpGetStaticChecking = "TRUE when static constraint checking is on.";
inline constexpr std::string_view SHelpInputBox =
    "Asks the user for a text; returns it, or the default when the user cancels.";
inline constexpr std::string_view SHelpInputQuery =
    "Asks the user for a text; returns it when the user confirms, else FALSE.";
inline constexpr std::string_view SHelpMessageDlg =
    "Shows a message of a kind with a set of buttons; returns the name of the button chosen.";
inline constexpr std::string_view SHelpShowMessage = "Shows a message with one confirming button.";
inline constexpr std::string_view SHelpListDefRules = "Lists the names of the rules.";
inline constexpr std::string_view SHelpListDefTypes = "Lists the names of the defined types.";
inline constexpr std::string_view SHelpListDefFacts = "Lists the names of the fact sets.";
inline constexpr std::string_view SHelpListDefFunctions =
    "Lists the names of the functions, to the logical name given or the standard output.";
inline constexpr std::string_view SHelpListDefTemplates = "Lists the names of the fact templates.";
inline constexpr std::string_view SHelpPPDefFacts = "Prints the deffacts text of a fact set.";
inline constexpr std::string_view SHelpPPDefFunction = "Prints a function's text, usage and help.";
inline constexpr std::string_view SHelpPPDefTemplate = "Prints the deftemplate text of a fact template.";
inline constexpr std::string_view SHelpPPDefRule = "Prints the defrule text of a rule.";
inline constexpr std::string_view SHelpPPDefType = "Prints the deftype text of a defined type.";
inline constexpr std::string_view SHelpSetResetGlobals =
    "Sets whether a reset restores the global variables, when a value is given; returns the setting.";
inline constexpr std::string_view SHelpSetGen = "Sets the sequence number used by gensym*.";
inline constexpr std::string_view SHelpSetDynamicChecking =
    "Switches dynamic constraint checking on (TRUE) or off; returns the former setting.";
inline constexpr std::string_view SHelpSetStaticChecking =
    "Switches static constraint checking on (TRUE) or off; returns the former setting.";
inline constexpr std::string_view SHelpFacts =
    "Lists the facts, all or those from a start index, up to an end index and a largest count.";
inline constexpr std::string_view SHelpRules = "Prints the text of every rule to the logical name given or the standard output.";
inline constexpr std::string_view SHelpUndefFacts = "Removes a fact set.";
inline constexpr std::string_view SHelpUndefFunction = "Removes a function.";
inline constexpr std::string_view SHelpUndefRule = "Removes a rule.";
inline constexpr std::string_view SHelpUndefTemplate = "Removes a fact template with the facts and rules that use it.";
inline constexpr std::string_view SHelpUndefType =
    "Removes a defined type with the types derived from it and the templates, facts and rules that use it.";

// --- The fxe command ---------------------------------------------------------
inline constexpr std::string_view SShellInvalidMemoryLimit = "invalid memory limit '%s', expected a number of MiB";

}  // namespace IEConsts
}  // namespace fxe
