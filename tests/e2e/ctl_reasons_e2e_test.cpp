// vq5100ctl words a refused settings file in the language it is given: `diff`, `write --dry-run`
// and `write` name the line and the rule in Japanese with --lang ja, as the window does, and in
// the English that scripts have always read with --lang en.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"

namespace vq::test {
namespace {

TEST(CtlReasonsE2E, RefusedFileNamesLineAndRuleInTheChosenLanguage) {
    QTemporaryDir work;
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    struct Case {
        QByteArray text;
        QString english;
        QString japanese;
    };
    const Case cases[] = {
        {"LP,W,1,\r\nA2,W,  150, 18.0, 10.0,   50,   80,\r\n",
         "line 2: A2: alarm 150 of channel 1 is above 60",
         QString::fromUtf8("2 行目: A2: チャンネル 1 の警報 (150) が 60 を超えています")},
        {"BU,W,9,1,0,1,\r\n", "line 1: BU: bump test time 9 is not between 0 and 3",
         QString::fromUtf8("1 行目: BU: バンプテスト時間の値 9 は 0 から 3 の範囲外です")},
        {"LP,W,1,\r\nLP,W,2,\r\n", "line 2: LP: given again (first on line 1)",
         QString::fromUtf8("2 行目: LP: 同じ行が 2 回あります (最初は 1 行目)")},
    };
    for (const Case& c : cases) {
        QFile file(work.filePath("refused.seq"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.text);
        file.close();
        for (const QString& lang : {QString("en"), QString("ja")}) {
            const QString& reason = lang == "en" ? c.english : c.japanese;
            for (const QStringList& command : {QStringList{"diff", "refused.seq"},
                                               QStringList{"write", "refused.seq", "--dry-run"},
                                               QStringList{"write", "refused.seq"}}) {
                const CtlResult r =
                    runCtl(QStringList{"--lang", lang, "--port", sim.served()} + command,
                           work.path(), 60000);
                EXPECT_EXIT_CODE(r, 2);
                EXPECT_TRUE(r.err.contains(reason))
                    << lang.toStdString() << " " << command.join(' ').toStdString() << ": "
                    << r.err.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace vq::test
