// The radar's pop-up notifier: one window, notices one after the other, none empty or twice.
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/taskbar_notifier.h"

using brevio::app::TaskbarNotifier;

class NotifierTest : public QObject {
    Q_OBJECT
  private slots:
    void aBurstOfChangesShowsOneNoticeAtATimeEachOnce() {
        TaskbarNotifier notifier;
        notifier.SetTiming({20, 40, 20});
        QStringList shown;
        int windows = 0;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            int visible = 0;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<TaskbarNotifier*>(w) && w->isVisible()) ++visible;
            }
            windows = std::max(windows, visible);
            if (notifier.CurrentState() != TaskbarNotifier::State::kHidden &&
                (shown.isEmpty() || shown.last() != notifier.Text())) {
                shown << notifier.Text();
            }
        });
        watch.start(2);
        // One pass finds twenty changed targets; one of them changes twice meanwhile, and an
        // empty notice slips in.
        for (int i = 0; i < 20; ++i) {
            notifier.Notify(QStringLiteral("目标%1变化了1次").arg(i), QStringLiteral("http://t/%1").arg(i));
        }
        notifier.Notify(QString(), QStringLiteral("http://t/empty"));
        notifier.Notify(QStringLiteral("目标7变化了2次"), QStringLiteral("http://t/7"));
        QCOMPARE(notifier.Waiting(), std::size_t{19});
        QTRY_VERIFY_WITH_TIMEOUT(notifier.CurrentState() == TaskbarNotifier::State::kHidden &&
                                     notifier.Waiting() == 0,
                                 20000);
        QCOMPARE(windows, 1);
        QCOMPARE(shown.size(), 20);
        QCOMPARE(shown.first(), QStringLiteral("目标0变化了1次"));
        QVERIFY(shown.contains(QStringLiteral("目标7变化了2次")));
        QVERIFY(!shown.contains(QStringLiteral("目标7变化了1次")));
        for (const QString& text : shown) QVERIFY(!text.trimmed().isEmpty());
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()).size(), shown.size());
    }

    void aClickOnTheTextOpensTheLink() {
        TaskbarNotifier notifier;
        notifier.SetTiming({10, 5000, 10});
        QSignalSpy clicked(&notifier, &TaskbarNotifier::LinkClicked);
        notifier.Notify(QStringLiteral("行情快报变化了1次"), QStringLiteral("file:///dev/null"));
        QTRY_VERIFY(notifier.CurrentState() == TaskbarNotifier::State::kShown);
        QTest::mouseClick(&notifier, Qt::LeftButton, {}, QPoint(5, 5));  // outside the text
        QCOMPARE(clicked.count(), 0);
        QTest::mouseClick(&notifier, Qt::LeftButton, {}, QPoint(notifier.width() / 2, 60));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toString(), QStringLiteral("file:///dev/null"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    NotifierTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "notifier_test.moc"
