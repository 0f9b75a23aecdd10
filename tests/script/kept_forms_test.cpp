// What the interpreter keeps from one reading of a line to the next (tokens
// with their numbers, the variable a word names, a counter's number without
// its text, chained commands, label look-ups) against the plain path that
// keeps nothing: many generated scripts that define, change, delete, push
// and pop variables inside loops end with the same variables in the same
// order, the same error and the same line on both paths.
#include "script/core/interp.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// What a run leaves: the variables as VARLIST lists them, the error report
// (empty when none), the line it ended on, and the store size it counted
// against the size of its text form (0xFF NAME 0xFE VALUE per variable).
struct Outcome {
    std::vector<std::string> variables;
    std::string error;
    uint32_t line = 0;
    size_t counted = 0, textForm = 0;
};

class Recorder : public zscript::Host {
public:
    void Message(const std::string &caption, const std::string &text) override { said += caption + ": " + text; }
    std::string said;
};

Outcome RunScript(const std::string &script, bool plain)
{
    Recorder host;
    zscript::Interp in;
    in.host = &host;
    in.sandbox = true;
    in.plain = plain;
    in.stepLimit = 4000;
    try {
        zscript::RunScriptText(in, "gen.zs", script);
    } catch (const zscript::ScriptAbort &) {
    }
    zscript::CloseAllSlots(in);
    size_t textForm = 0;
    for (const auto &e : in.store.entries)
        if (e.live)
            textForm += 2 + e.name.size() + e.Text().size();
    return {zscript::ListVariables(in), host.said, in.lineNumber, in.store.bytes, textForm};
}

// A random script over a few names in changing case: loops that count,
// variables that switch between numbers and texts, deletions, pushes and
// pops, chained commands, conditions, INTERPRET and %NAME% references.
class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    std::string Script()
    {
        std::string s = "VARSET k 0\n";
        if (Pick(3) == 0) // enough variables before the others that deleting them compacts the store
            s += "VARSET n 0\n:FILL\nCOMPUTE n = n + 1\nINTERPRET 'VARSET f%n% %n%'\nIF n < 80 GOTO 'FILL'\n";
        s += ":TOP\n";
        const int lines = 4 + Pick(10);
        for (int i = 0; i < lines; ++i) {
            s += Command();
            if (Pick(4) == 0)
                s += " ; " + Command();
            s += "\n";
        }
        if (s.find("FILL") != std::string::npos)
            s += "VARSET n 0\n:DROP\nCOMPUTE n = n + 1\nINTERPRET \"VARSET f%n% ''\"\nIF n < 80 GOTO 'DROP'\n";
        s += "COMPUTE k = k + 1\nIF k < " + std::to_string(2 + Pick(6)) + " GOTO 'TOP'\n";
        return s;
    }

private:
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
    std::string Name()
    {
        static const char *const names[] = {"a", "A", "b", "Bb", "bB", "c", "i", "I", "k"};
        return names[Pick(9)];
    }
    std::string Value()
    {
        switch (Pick(9)) {
        case 0:
            return std::to_string(Pick(200) - 100);
        case 1:
            return "'" + std::to_string(Pick(50)) + "'";
        case 2:
            return "'text'";
        case 3:
            return "''";
        case 4:
            return "'x%" + Name() + "%y'";
        case 5:
            return "-";
        case 6:
            return "' 7'";
        default:
            return Name();
        }
    }
    std::string Number()
    {
        // Edge values too, so that counters change their number of digits and sign.
        static const char *const edges[] = {"2147483647", "-2147483648", "999999999", "1000000000", "-10", "9"};
        switch (Pick(4)) {
        case 0:
            return std::to_string(Pick(20) - 5);
        case 1:
            return edges[Pick(6)];
        default:
            return Name();
        }
    }
    std::string Compare()
    {
        static const char *const ops[] = {"=", "<", ">", "<=", ">=", "<>", "@=", "@<", "'?'"};
        return ops[Pick(9)];
    }
    std::string Command()
    {
        static const char *const operators[] = {"+", "-", "*", "/", "%", "&", "|", "^"};
        switch (Pick(12)) {
        case 0:
        case 1:
            return "VARSET " + Name() + " " + Value();
        case 2:
            return "VARFREE " + Name();
        case 3:
        case 4:
            return "COMPUTE " + Name() + (Pick(2) ? " = " : " ") + Number() + " " + operators[Pick(8)] + " " + Number();
        case 5:
            return "IF " + Value() + " " + Compare() + " " + Value() + " " + Command();
        case 6:
            return "IFSET " + Value() + " " + Compare() + " " + Value() + " " + Name() + " " + Value() + " " + Value();
        case 7:
            return "VARPUSH " + Name() + " " + Name();
        case 8:
            return "VARPOP";
        case 9:
            return "INTERPRET 'COMPUTE " + Name() + " = %" + Name() + "% + 1'";
        case 10:
            return "STRLENGTH " + Name() + " " + Value();
        default:
            return "COMPUTEABS " + Name() + " " + Number();
        }
    }
    std::mt19937 rng_;
};

TEST(KeptForms, SameOutcomeAsThePlainPath)
{
    int ended = 0, failed = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        const std::string script = Generator(seed).Script();
        SCOPED_TRACE(script);
        const Outcome kept = RunScript(script, false), plain = RunScript(script, true);
        EXPECT_EQ(kept.variables, plain.variables);
        EXPECT_EQ(kept.error, plain.error);
        EXPECT_EQ(kept.line, plain.line);
        EXPECT_EQ(kept.counted, kept.textForm);
        (kept.error.empty() ? ended : failed) += 1;
        if (HasFailure())
            break;
    }
    // The scripts reach their ends often enough to exercise the loops, and
    // fail often enough to compare the errors.
    EXPECT_GT(ended, 40);
    EXPECT_GT(failed, 40);
}

} // namespace
