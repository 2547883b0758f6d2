#include "PageClick.h"
#include "TestBridge.h"
#include "TestShell.h"
#include "mail/MailListPage.h"
#include "shell/Addresses.h"
#include "shell/ScriptCall.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTest>
#include <QTextStream>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <memory>

namespace
{
// The call the list page makes of myob when an account is chosen.
QString mailservice(const QString &address, const QString &email)
{
    return QStringLiteral("Mailservice(%1,%2)").arg(address, email);
}

void useStorage(const QString &folder)
{
    QWebSettings *s = QWebSettings::globalSettings();
    s->setAttribute(QWebSettings::LocalStorageEnabled, true);
    s->setAttribute(QWebSettings::OfflineStorageDatabaseEnabled, true);
    QWebSettings::enablePersistentStorage(folder);
}

// The account list page in a real view, as the panel shows it.
class ListPage
{
public:
    explicit ListPage(TestBridge *bridge = nullptr)
    {
        view.setPage(new MailListPage(&view, bridge));
        view.resize(300, 700);
        view.show();
        if (bridge)
            QObject::connect(view.page()->mainFrame(), &QWebFrame::javaScriptWindowObjectCleared,
                             bridge, [this, bridge] {
                                 view.page()->mainFrame()->addToJavaScriptWindowObject(
                                     QStringLiteral("myob"), bridge);
                             });
    }

    bool load()
    {
        return TestUtil::loadUrl(&view, MailListPage::address()) && TestUtil::waitFor([this] {
                   return js("$('#listview').hasClass('ui-listview') && "
                             "$.mobile.activePage.attr('id') === 'page1'")
                       .toBool();
               });
    }

    QVariant js(const QString &code) { return view.page()->mainFrame()->evaluateJavaScript(code); }

    bool click(const QString &selector) { return TestUtil::clickElement(&view, selector); }

    bool settledOn(const QString &page)
    {
        return TestUtil::waitFor([&] {
            return js(QStringLiteral("$.mobile.activePage.attr('id') === %1 && "
                                     "$('.ui-mobile-viewport-transitioning').length === 0")
                          .arg(quoted(page)))
                .toBool();
        });
    }

    // Opens the form, fills it and presses "Add to List"; service is the radio's id
    // or empty for none.
    bool add(const QString &name, const QString &email, const QString &service)
    {
        if (!click(QStringLiteral("#newacc")) || !settledOn(QStringLiteral("two")))
            return false;
        js(QStringLiteral("$('#Txtname').val(%1); $('#TxtEmail').val(%2);")
               .arg(quoted(name), quoted(email)));
        if (!service.isEmpty() && !click(QStringLiteral("label[for=%1]").arg(service)))
            return false;
        return click(QStringLiteral("#addbtn"));
    }

    // Adds an account that the form accepts and waits for the list.
    bool addAccount(const QString &email, const QString &service)
    {
        return add(QString(), email, service) && settledOn(QStringLiteral("page1"));
    }

    // Each account of the list as (n, data, text, delete controls).
    QList<QStringList> accounts()
    {
        QList<QStringList> out;
        const QVariantList items =
            js("$('#listview li').map(function(){var a=$(this).children('a').first();"
               "return a.length ? [[a.attr('n'), a.attr('data'), a.text(),"
               " $(this).children('a.dele').length]] : null;}).get()")
                .toList();
        for (const QVariant &item : items) {
            const QVariantList v = item.toList();
            out.append({v.value(0).toString(), v.value(1).toString(), v.value(2).toString(),
                        v.value(3).toString()});
        }
        return out;
    }

    QString stored() { return js(QStringLiteral("localStorage.getItem('mails')")).toString(); }

    static QString quoted(const QString &text)
    {
        QString t = text;
        t.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('\''), QLatin1String("\\'"));
        return QLatin1Char('\'') + t + QLatin1Char('\'');
    }

    QWebView view;
};

QStringList account(const QString &email, const char *service)
{
    return {email, QString::fromLatin1(service), email, QStringLiteral("1")};
}

// Runs this test program as a separate start of the shell's list page.
QString runChild(const QStringList &args)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("failed: ") + QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

int childMain(const QStringList &args)
{
    useStorage(args.value(1));
    TestUtil::recordMessages();
    auto page = std::make_unique<ListPage>();
    if (!page->load())
        return 2;
    if (args.value(0) == QLatin1String("--add") && !page->addAccount(args.value(2), args.value(3)))
        return 3;
    QStringList lines;
    for (const QStringList &a : page->accounts())
        lines.append(a.join(QLatin1Char('|')));
    // The program ends as the shell does: the view goes, then the process.
    page.reset();
    QTextStream(stdout) << lines.join(QLatin1Char('\n')) << '\n';
    return 0;
}
} // namespace

class TestMailList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestUtil::recordMessages();
        useStorage(QDir::currentPath() + QStringLiteral("//cache"));
    }

    void init()
    {
        ListPage page;
        QVERIFY(page.load());
        page.js(QStringLiteral("localStorage.clear()"));
        alerts = TestUtil::recordMessages();
    }

    void thePageAndItsServices()
    {
        ListPage page;
        QVERIFY(page.load());
        QCOMPARE(page.js("$('#page1').length + $('#two').length").toInt(), 2);
        QCOMPARE(page.js("$('#newacc').attr('href')").toString(), QStringLiteral("#two"));
        QCOMPARE(page.js("$('#newacc').text()").toString(), QStringLiteral("Add New Account"));
        QCOMPARE(page.js("$('#addbtn').text()").toString(), QStringLiteral("Add to List"));
        QCOMPARE(page.js("$('#listview li').length").toInt(), 1);
        QCOMPARE(page.js("$('#listview li:first').text()").toString(),
                 QStringLiteral("Email Providers"));
        QCOMPARE(page.js("$('#two legend').text()").toString(), QStringLiteral("Service:"));
        const QVariantList radios =
            page.js("$('input[name=radioGroup]').map(function(){"
                    "return [[$('label[for=' + this.id + ']').text(), this.value]];}).get()")
                .toList();
        QCOMPARE(radios.size(), 4);
        const QStringList labels = {"Gmail", "Hotmail", "Yahoo", "Facebook Message"};
        const QStringList values = {VANTARA_MAIL_GMAIL, VANTARA_MAIL_HOTMAIL, VANTARA_MAIL_YAHOO,
                                    VANTARA_MAIL_FACEBOOK};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(radios.at(i).toList().value(0).toString(), labels.at(i));
            QCOMPARE(radios.at(i).toList().value(1).toString(), values.at(i));
        }
        // The libraries of the bundle, not whatever a page might bring.
        QCOMPARE(page.js("jQuery.fn.jquery").toString(), QStringLiteral("1.11.3"));
        QCOMPARE(page.js("jQuery.mobile.version").toString(), QStringLiteral("1.4.3"));
    }

    void addingAnAccount()
    {
        ListPage page;
        QVERIFY(page.load());
        QVERIFY(page.add(QStringLiteral("Ann"), QStringLiteral("ann@example.org"),
                         QStringLiteral("radio-yahoo")));
        QVERIFY(page.settledOn(QStringLiteral("page1")));
        QCOMPARE(page.accounts(),
                 QList<QStringList>({account("ann@example.org", VANTARA_MAIL_YAHOO)}));
        QVERIFY(alerts->isEmpty());
        // The stored list is the list's markup; the typed name is not kept.
        QCOMPARE(page.stored(), page.js("$('#listview').html()").toString());
        QVERIFY(page.stored().contains(QStringLiteral("n=\"ann@example.org\"")));
        QVERIFY(page.stored().contains(QStringLiteral("data=\"" VANTARA_MAIL_YAHOO "\"")));
        QVERIFY(page.stored().contains(QStringLiteral("Email Providers")));
        QVERIFY(!page.stored().contains(QStringLiteral("Ann")));
        QCOMPARE(page.js("$('#Txtname').val() + '|' + $('#TxtEmail').val()").toString(),
                 QStringLiteral("|"));
        QCOMPARE(page.js("$('#listview a.dele').attr('href')").toString(),
                 QStringLiteral("#purchase"));
        // jQuery Mobile turns the control's text into its title.
        QCOMPARE(page.js("$('#listview a.dele').attr('title')").toString(),
                 QStringLiteral("delete album"));

        QVERIFY(page.addAccount(QStringLiteral("bob@example.org"), QStringLiteral("radio-gmail")));
        QCOMPARE(page.accounts(),
                 QList<QStringList>({account("ann@example.org", VANTARA_MAIL_YAHOO),
                                     account("bob@example.org", VANTARA_MAIL_GMAIL)}));
    }

    void refusingIncompleteAccounts()
    {
        ListPage page;
        QVERIFY(page.load());
        QVERIFY(page.add(QStringLiteral("Nobody"), QString(), QStringLiteral("radio-gmail")));
        QVERIFY(TestUtil::waitFor([&] { return alerts->size() == 1; }));
        QCOMPARE(alerts->value(0), QStringLiteral("Email plz!"));
        QVERIFY(page.settledOn(QStringLiteral("two")));

        page.js(QStringLiteral("$('#TxtEmail').val('   ')"));
        QVERIFY(page.click(QStringLiteral("#addbtn")));
        QVERIFY(TestUtil::waitFor([&] { return alerts->size() == 2; }));
        QCOMPARE(alerts->value(1), QStringLiteral("Email plz!"));

        // No service chosen: refused the same way, nothing named "undefined" stored.
        ListPage fresh;
        QVERIFY(fresh.load());
        QVERIFY(fresh.add(QString(), QStringLiteral("carl@example.org"), QString()));
        QVERIFY(TestUtil::waitFor([&] { return alerts->size() == 3; }));
        QCOMPARE(alerts->value(2), QStringLiteral("Service plz!"));
        QVERIFY(fresh.settledOn(QStringLiteral("two")));
        QCOMPARE(fresh.js("$('#TxtEmail').val()").toString(), QStringLiteral("carl@example.org"));
        QVERIFY(fresh.accounts().isEmpty());
        QVERIFY(!fresh.stored().contains(QStringLiteral("undefined")));
        QVERIFY(!page.stored().contains(QStringLiteral("carl")));

        // Only an address of the form name@host is taken.
        const QString notAddress =
            QStringLiteral("Please type an email address of the form name@host.");
        int shown = alerts->size();
        for (const QString &typed :
             {QStringLiteral("carl"), QStringLiteral("carl@"), QStringLiteral("@example.org"),
              QStringLiteral("a b@example.org"), QStringLiteral("a@b@example.org")}) {
            fresh.js(
                QStringLiteral("$('#TxtEmail').val(%1); $('#radio-gmail').prop('checked', true)")
                    .arg(ScriptCall::quote(typed)));
            QVERIFY(fresh.click(QStringLiteral("#addbtn")));
            QVERIFY(TestUtil::waitFor([&] { return alerts->size() == shown + 1; }));
            QCOMPARE(alerts->last(), notAddress);
            ++shown;
        }
        QVERIFY(fresh.accounts().isEmpty());
    }

    void typedTextStaysText()
    {
        TestBridge bridge;
        ListPage page(&bridge);
        QVERIFY(page.load());
        const QString evil = QStringLiteral("\"><img/src=x/onerror=\"window.hacked=1\">'@host");
        QVERIFY(page.addAccount(evil, QStringLiteral("radio-hotmail")));
        QTest::qWait(200);
        QCOMPARE(page.js("typeof window.hacked").toString(), QStringLiteral("undefined"));
        QCOMPARE(page.js("$('#listview img').length").toInt(), 0);
        QCOMPARE(page.accounts(), QList<QStringList>({account(evil, VANTARA_MAIL_HOTMAIL)}));
        QVERIFY(page.click(QStringLiteral("#listview li:last a:first")));
        QVERIFY(TestUtil::waitFor([&] { return bridge.calls.size() == 1; }));
        QCOMPARE(bridge.calls.value(0), mailservice(VANTARA_MAIL_HOTMAIL, evil));
    }

    void choosingAndDeleting()
    {
        TestBridge bridge;
        ListPage page(&bridge);
        QVERIFY(page.load());
        QVERIFY(page.addAccount(QStringLiteral("one@example.org"), QStringLiteral("radio-gmail")));
        QVERIFY(
            page.addAccount(QStringLiteral("two@example.org"), QStringLiteral("radio-facebook")));
        QVERIFY(bridge.calls.isEmpty());

        QVERIFY(page.click(QStringLiteral("#listview li:eq(2) a:first")));
        QVERIFY(TestUtil::waitFor([&] { return bridge.calls.size() == 1; }));
        QCOMPARE(bridge.calls.value(0),
                 mailservice(VANTARA_MAIL_FACEBOOK, QStringLiteral("two@example.org")));
        QVERIFY(page.click(QStringLiteral("#listview li:eq(1) a:first")));
        QVERIFY(TestUtil::waitFor([&] { return bridge.calls.size() == 2; }));
        QCOMPARE(bridge.calls.value(1),
                 mailservice(VANTARA_MAIL_GMAIL, QStringLiteral("one@example.org")));

        // The divider is no account.
        QVERIFY(page.click(QStringLiteral("#listview li:first")));
        QTest::qWait(300);
        QCOMPARE(bridge.calls.size(), 2);

        // Deleting asks first; "Cancel" keeps the account.
        QVERIFY(page.click(QStringLiteral("#listview li:eq(1) a.dele")));
        QVERIFY(TestUtil::waitFor([&] { return alerts->size() == 1; }));
        QCOMPARE(alerts->value(0), QStringLiteral("Delete the account one@example.org?"));
        QTest::qWait(200);
        QCOMPARE(page.accounts().size(), 2);
        QVERIFY(page.stored().contains(QStringLiteral("one@example.org")));
        alerts->clear();

        // Deleting removes the item and stores the list, and opens nothing.
        TestUtil::answerQuestions(true);
        QVERIFY(page.click(QStringLiteral("#listview li:eq(1) a.dele")));
        QVERIFY(TestUtil::waitFor([&] { return page.accounts().size() == 1; }));
        QTest::qWait(300);
        QCOMPARE(bridge.calls.size(), 2);
        QCOMPARE(page.accounts(),
                 QList<QStringList>({account("two@example.org", VANTARA_MAIL_FACEBOOK)}));
        QVERIFY(!page.stored().contains(QStringLiteral("one@example.org")));
        QVERIFY(page.stored().contains(QStringLiteral("two@example.org")));
        QCOMPARE(page.js("$.mobile.activePage.attr('id')").toString(), QStringLiteral("page1"));
        QCOMPARE(*alerts, QStringList({"Delete the account one@example.org?"}));
    }

    void theListComesBackWithThePage()
    {
        {
            ListPage page;
            QVERIFY(page.load());
            QVERIFY(
                page.addAccount(QStringLiteral("kept@example.org"), QStringLiteral("radio-gmail")));
        }
        TestBridge bridge;
        ListPage again(&bridge);
        QVERIFY(again.load());
        QCOMPARE(again.accounts(),
                 QList<QStringList>({account("kept@example.org", VANTARA_MAIL_GMAIL)}));
        // Restored items work like new ones.
        QVERIFY(again.click(QStringLiteral("#listview li:eq(1) a:first")));
        QVERIFY(TestUtil::waitFor([&] { return bridge.calls.size() == 1; }));
        TestUtil::answerQuestions(true);
        QVERIFY(again.click(QStringLiteral("#listview li:eq(1) a.dele")));
        QVERIFY(TestUtil::waitFor([&] { return again.accounts().isEmpty(); }));
        QCOMPARE(bridge.calls.size(), 1);
    }

    void twoListsStayInStep()
    {
        // Two panels open at once: a change in either reaches the other, and
        // closing the one with the older view loses nothing.
        auto first = std::make_unique<ListPage>();
        QVERIFY(first->load());
        ListPage second;
        QVERIFY(second.load());
        QVERIFY(
            second.addAccount(QStringLiteral("new@example.org"), QStringLiteral("radio-gmail")));
        QVERIFY(TestUtil::waitFor([&] { return first->accounts().size() == 1; }));
        QCOMPARE(first->accounts(), second.accounts());
        QVERIFY(
            first->addAccount(QStringLiteral("more@example.org"), QStringLiteral("radio-yahoo")));
        QVERIFY(TestUtil::waitFor([&] { return second.accounts().size() == 2; }));
        first.reset();
        ListPage third;
        QVERIFY(third.load());
        QCOMPARE(third.accounts().size(), 2);
        TestUtil::answerQuestions(true);
        QVERIFY(third.click(QStringLiteral("#listview li:eq(1) a.dele")));
        QVERIFY(TestUtil::waitFor([&] { return second.accounts().size() == 1; }));
        QCOMPARE(second.accounts(),
                 QList<QStringList>({account("more@example.org", VANTARA_MAIL_YAHOO)}));
    }

    void theListSurvivesRestarts()
    {
        const QString storage = QDir::currentPath() + QStringLiteral("//restart-cache");
        QCOMPARE(runChild({"--add", storage, "first@example.org", "radio-gmail"}),
                 QStringLiteral("first@example.org|" VANTARA_MAIL_GMAIL "|first@example.org|1"));
        QCOMPARE(runChild({"--add", storage, "second@example.org", "radio-yahoo"}),
                 QStringLiteral("first@example.org|" VANTARA_MAIL_GMAIL "|first@example.org|1\n"
                                "second@example.org|" VANTARA_MAIL_YAHOO "|second@example.org|1"));
        QCOMPARE(runChild({"--list", storage}),
                 QStringLiteral("first@example.org|" VANTARA_MAIL_GMAIL "|first@example.org|1\n"
                                "second@example.org|" VANTARA_MAIL_YAHOO "|second@example.org|1"));
    }

private:
    QStringList *alerts = nullptr;
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--add") || args.value(0) == QLatin1String("--list"))
        return childMain(args);
    TestMailList test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_maillist.moc"
