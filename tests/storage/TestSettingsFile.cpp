#include "fakes/MemoryFiles.h"
#include "storage/SettingsFile.h"

#include <gtest/gtest.h>

using namespace orvanel;
using namespace orvanel::test;

namespace {

// What settings set, as one line: "min-gap|log|com1|...|com6", "-" where nothing is set.
std::string shown(const Settings& settings)
{
    std::string out = settings.minGapMs ? std::to_string(*settings.minGapMs) : "-";
    out += "|" + settings.logFile.value_or("-");
    for (const auto& device : settings.portDevices)
        out += "|" + device.value_or("-");
    return out;
}

} // namespace

// orvanel.conf: what each line sets, and what a line that cannot be used says.
TEST(SettingsFile, Parses)
{
    const std::string unknown = "\"; las claves son min-gap, log y com1 a com6";
    const std::string notGap = "\" no es un número de milisegundos de 0 a 600000";
    const struct
    {
        const char* name;
        std::string text;
        std::string set;
        std::vector<FileProblem> problems;
    } cases[] = {
        {"empty", "", "-|-|-|-|-|-|-|-", {}},
        {"both, blanks and CR LF", "  min-gap = 500\r\nlog=carrera 1.csv  \r\n", "500|carrera 1.csv|-|-|-|-|-|-", {}},
        {"comments and blank lines", "# race day\n\n\t# min-gap = 9\nmin-gap=0", "0|-|-|-|-|-|-|-", {}},
        {"empty log: none", "log =\n", "-||-|-|-|-|-|-", {}},
        {"later line wins", "min-gap=100\nmin-gap=200\n", "200|-|-|-|-|-|-|-", {}},
        {"equals in the value", "log=a=b.csv", "-|a=b.csv|-|-|-|-|-|-", {}},
        {"bad lines, the rest applies",
         "min-gap = 0.5\nlog = x.csv\ncolor = red\nmin-gap 300\nmin-gap=600001\nmin-gap=-1\n",
         "-|x.csv|-|-|-|-|-|-",
         {"f:1: min-gap: \"0.5" + notGap, "f:3: clave desconocida \"color" + unknown,
          "f:4: \"min-gap 300\" no es una línea clave = valor", "f:5: min-gap: \"600001" + notGap,
          "f:6: min-gap: \"-1" + notGap}},
        {"key in capitals", "Min-Gap=5", "-|-|-|-|-|-|-|-", {"f:1: clave desconocida \"Min-Gap" + unknown}},
        {"ports",
         "com1 = /dev/serial/by-id/usb-A port0\ncom6=/tmp/bridge\ncom3 =\n",
         "-|-|/dev/serial/by-id/usb-A port0|-|-|-|-|/tmp/bridge",
         {"f:3: com3: falta el dispositivo, p. ej. /dev/ttyUSB0"}},
        {"no such port",
         "com7 = /dev/ttyUSB0\nCOM1=/dev/ttyUSB0\ncom0=x\ncom10=x",
         "-|-|-|-|-|-|-|-",
         {"f:1: clave desconocida \"com7" + unknown, "f:2: clave desconocida \"COM1" + unknown,
          "f:3: clave desconocida \"com0" + unknown, "f:4: clave desconocida \"com10" + unknown}},
        // Saved by editors that mark UTF-8 files.
        {"byte order mark", "\xEF\xBB\xBFmin-gap = 500\r\n", "500|-|-|-|-|-|-|-", {}},
        {"invisible characters are shown",
         "\xEF\xBB\xBF\xEF\xBB\xBFlog=a\nmin\x01gap=5\n",
         "-|-|-|-|-|-|-|-",
         {"f:1: clave desconocida \"<U+FEFF>log" + unknown, "f:2: clave desconocida \"min<U+0001>gap" + unknown}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFiles files;
        files.files["f"] = c.text;
        for (const Settings& settings : {parseSettings(c.text, "f"), readSettings(files, "f")}) {
            EXPECT_EQ(shown(settings), c.set);
            EXPECT_EQ(settings.problems, c.problems);
            EXPECT_FALSE(settings.untrusted);
        }
    }
}

TEST(SettingsFile, FilesThatAreNotUsed)
{
    MemoryFiles files;
    const Settings missing = readSettings(files, kSettingsFileName);
    EXPECT_EQ(shown(missing), "-|-|-|-|-|-|-|-");
    EXPECT_EQ(missing.problems, std::vector<FileProblem>());

    files.problems["folder"] = "folder: es una carpeta";
    EXPECT_EQ(readSettings(files, "folder").problems, std::vector<FileProblem>{"folder: es una carpeta"});

    // 64 KiB are still settings; a byte more is some other file, of which nothing applies.
    const std::string full = "log = a.csv\n# " + std::string(65536 - 15, 'x') + "\n";
    files.files[kSettingsFileName] = full;
    EXPECT_EQ(readSettings(files, kSettingsFileName).logFile, std::optional<std::string>("a.csv"));
    files.files[kSettingsFileName] = full + "m";
    const Settings tooLarge = readSettings(files, kSettingsFileName);
    EXPECT_EQ(shown(tooLarge), "-|-|-|-|-|-|-|-");
    EXPECT_EQ(tooLarge.problems, std::vector<FileProblem>{std::string(kSettingsFileName) +
                                                          ": tiene más de 64 KiB, no es un archivo de opciones; "
                                                          "no se tiene en cuenta"});

    files.files[kSettingsFileName] = "min-gap = 600000\ncom1 = /dev/x\n";
    files.strangers[kSettingsFileName] = "pedro";
    const Settings planted = readSettings(files, kSettingsFileName);
    EXPECT_TRUE(planted.untrusted);
    EXPECT_EQ(shown(planted), "-|-|-|-|-|-|-|-");
    EXPECT_EQ(planted.problems, std::vector<FileProblem>{std::string(kSettingsFileName) +
                                                         ": es de otro usuario (pedro); no se tiene en cuenta"});
}
