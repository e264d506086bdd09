// The Statistics dialog: games played and solved, the current streak, and per level the games
// solved without help with their best and median times, all read from the statistics file.
#include "control/statistics.h"
#include "analysis/rating.h"
#include "control/session.h"
#include "dialogs/dialogs.h"
#include "files/statistics.h"
#include "model/hooks.h"
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <memory>

int RunStatisticsDialog(Session* S, QWidget* owner) {
    auto stats = std::make_unique<StatisticsRecord>();
    const int read = LoadStatistics(stats.get());
    StatisticsSummary summary;
    // The game on the board, begun and not finished, does not break the streak.
    SummariseStatistics(*stats, S->Play.recorded && !S->Play.finished, &summary);

    QDialog dialog(owner);
    dialog.setWindowTitle("Statistics");
    auto* layout = new QVBoxLayout(&dialog);
    const QString head =
        read < 0 ? QString("The statistics file cannot be read.")
                 : QString("Games played: %1\nSolved without help: %2\nCurrent streak: %3")
                       .arg(summary.played)
                       .arg(summary.solved)
                       .arg(summary.streak);
    layout->addWidget(new QLabel(head, &dialog));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(dialog.fontMetrics().averageCharWidth() * 3);
    const char* columns[] = {"Level", "Solved", "Best", "Median"};
    for (int c = 0; c < 4; c++)
        grid->addWidget(new QLabel(QString("<b>%1</b>").arg(columns[c])), 0, c);
    auto time = [](int seconds) {
        if (seconds < 0) return QString::fromUtf8("\u2013");
        char text[16];
        FormatPlayTime(seconds, text);
        return QString(text);
    };
    for (int level = 0; level < STATISTICS_LEVELS; level++) {
        const LevelSummary& s = summary.levels[level];
        grid->addWidget(new QLabel(LevelName(level * 16)), level + 1, 0); // the band's top score
        grid->addWidget(new QLabel(QString::number(s.solved)), level + 1, 1, Qt::AlignRight);
        grid->addWidget(new QLabel(time(s.best)), level + 1, 2, Qt::AlignRight);
        grid->addWidget(new QLabel(time(s.median)), level + 1, 3, Qt::AlignRight);
    }
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    dialog.exec();
    return DIALOG_OK;
}
