// Files of no category open (Enter, a double click) with the desktop's default
// application; F3 shows them read-only. A stub application
// registered for PDF files through XDG_DATA_HOME and mimeapps.list writes down what it
// was handed.
#include "main/FileOpsFixture.h"
#include "viewers/uTextView.h"

namespace
{

// Sets environment variables for the test's lifetime, putting the old values back.
class ScopedEnvironment
{
public:
    void Set(const char* name, const QByteArray& value)
    {
        m_old.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        for (auto it = m_old.rbegin(); it != m_old.rend(); ++it)
            it->set ? qputenv(it->name, it->value) : qunsetenv(it->name);
    }

private:
    struct TOld {
        const char* name;
        bool set;
        QByteArray value;
    };
    std::vector<TOld> m_old;
};

class DefaultApplicationTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        // The desktop is this test's own: its applications, its associations, no other.
        env.Set("XDG_DATA_HOME", dir.mkdir("desktop/data").toLocal8Bit());
        // The system's MIME database, without the system's applications.
        const QString system = dir.mkdir("desktop/system");
        QFile::link("/usr/share/mime", system + "mime");
        env.Set("XDG_DATA_DIRS", system.toLocal8Bit());
        env.Set("WAYLAND_DISPLAY", "trvx-test-desktop"); // xdg-open serves desktops only
        env.Set("XDG_CONFIG_HOME", dir.mkdir("desktop/config").toLocal8Bit());
        env.Set("XDG_CONFIG_DIRS", dir.mkdir("desktop/none").toLocal8Bit());
        env.Set("XDG_CURRENT_DESKTOP", "");
        env.Set("BROWSER", "false");
        const QString stub = dir.write("desktop/stub.sh", "#!/bin/sh\n"
                                                          "printf '%s' \"$1\" >\"$0.part\"\n"
                                                          "mv \"$0.part\" \"$0.out\"\n");
        QFile(stub).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        handedTo = stub + ".out";
        dir.write("desktop/data/applications/trvx-stub.desktop",
                  "[Desktop Entry]\nType=Application\nName=Stub viewer\nExec=" +
                      stub.toLocal8Bit() + " %f\nMimeType=application/pdf;\n");
        dir.write("desktop/data/applications/mimeapps.list",
                  "[Default Applications]\napplication/pdf=trvx-stub.desktop\n");
        main->Categories.SetCategory(TExtensionCategory::Text, "TXT");
    }

    // Presses `key` on the named row of the active left panel's list.
    void Press(const QString& name, Qt::Key key)
    {
        main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, name));
        main->FilesEnter(sdLeft);
        QTest::keyClick(View(sdLeft), key);
    }

    // What the stub application was handed, once it has run (empty if it never did).
    QString Handed()
    {
        static_cast<void>(QTest::qWaitFor([&] { return QFileInfo::exists(handedTo); }, 15000));
        const QString path = QString::fromLocal8Bit(readAll(handedTo));
        QFile::remove(handedTo);
        return path;
    }

    ScopedEnvironment env;
    QString handedTo;
};

} // namespace

TEST_F(DefaultApplicationTest, APdfOpensWithTheDesktopsApplication)
{
    dir.write("left/paper.pdf", "%PDF-1.4\n%%EOF\n");
    ASSERT_TRUE(RunZip(left, {"-q", "papers.zip", "paper.pdf"}));
    Reload();
    Press("paper.pdf", Qt::Key_Return);
    EXPECT_EQ(Handed(), left + "paper.pdf");
    Press("paper.pdf", Qt::Key_Return);
    EXPECT_EQ(Handed(), left + "paper.pdf");
    // F3 shows it in the read-only view instead.
    Press("paper.pdf", Qt::Key_F3);
    ASSERT_EQ(main->findChildren<TfTextView*>().size(), 1);
    main->findChildren<TfTextView*>()[0]->close();

    // A member is handed over as a private copy, kept while the program runs (longer
    // than a copy handed to a program of the Program category).
    main->ProgramCopyLifetimeMs = 50;
    OpenArchive(sdLeft, "papers.zip");
    Press("paper.pdf", Qt::Key_Return);
    const QString copy = Handed();
    EXPECT_NE(copy, left + "paper.pdf");
    EXPECT_TRUE(copy.endsWith("/paper.pdf")) << copy.toStdString();
    QTest::qWait(300);
    EXPECT_EQ(readAll(copy), "%PDF-1.4\n%%EOF\n");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(DefaultApplicationTest, WithoutAnApplicationTheUserIsTold)
{
    dir.write("left/table.xyzq", "no application knows this");
    dir.write("left/README", "");
    Reload();
    Press("table.xyzq", Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() == 1; }, 15000));
    EXPECT_EQ(messages[0], "No viewer is set for .xyzq files, and the desktop has no "
                           "application for them.");
    Press("README", Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() == 2; }, 15000));
    EXPECT_EQ(messages[1], "No viewer is set for README, and the desktop has no "
                           "application for it.");
    EXPECT_FALSE(QFileInfo::exists(handedTo));

    // A window closed before the desktop has answered is told nothing more.
    Press("table.xyzq", Qt::Key_Return);
    main.reset();
    QTest::qWait(300);
    EXPECT_EQ(messages.size(), 2);
}
