#include "remote/RemoteUri.h"

#include <gtest/gtest.h>

using remote::TRemoteScheme;
using remote::TRemoteUri;

namespace
{

struct TParts {
    QString Typed;
    TRemoteScheme Scheme;
    QString User;
    QString Host;
    int Port;
    QString Path;
};

// The message of `typed`, which must not parse.
QString Refusal(const QString& typed)
{
    const TRemoteUri uri = TRemoteUri::Parse(typed);
    EXPECT_FALSE(uri.IsValid()) << typed.toStdString();
    EXPECT_FALSE(uri.Error().isEmpty()) << typed.toStdString();
    EXPECT_TRUE(uri.Uri().isEmpty() && uri.DisplayForm().isEmpty());
    return uri.Error();
}

} // namespace

TEST(RemoteUri, EachSchemeInAnyCaseWithItsParts)
{
    const TParts cases[] = {
        {"sftp://anna@files.example.org:2222/home/anna", TRemoteScheme::Sftp, "anna",
         "files.example.org", 2222, "/home/anna"},
        {"SMB://nas/share/music", TRemoteScheme::Smb, "", "nas", 0, "/share/music"},
        {"Ftp://mirror.example.net", TRemoteScheme::Ftp, "", "mirror.example.net", 0, "/"},
        {"dav://cloud:8080/", TRemoteScheme::Dav, "", "cloud", 8080, "/"},
        {"  davs://u@cloud.example.com/remote.php/dav  ", TRemoteScheme::Davs, "u",
         "cloud.example.com", 0, "/remote.php/dav"},
        {"smb://WORKGROUP;bob@fileserver_01/public", TRemoteScheme::Smb, "WORKGROUP;bob",
         "fileserver_01", 0, "/public"},
        {"sftp://h:1/", TRemoteScheme::Sftp, "", "h", 1, "/"},
        {"sftp://h:65535", TRemoteScheme::Sftp, "", "h", 65535, "/"},
    };
    for (const TParts& c : cases) {
        SCOPED_TRACE(c.Typed.toStdString());
        const TRemoteUri uri = TRemoteUri::Parse(c.Typed);
        ASSERT_TRUE(uri.IsValid()) << uri.Error().toStdString();
        EXPECT_EQ(uri.Scheme(), c.Scheme);
        EXPECT_EQ(uri.User(), c.User);
        EXPECT_EQ(uri.Host(), c.Host);
        EXPECT_EQ(uri.Port(), c.Port);
        EXPECT_EQ(uri.Path(), c.Path);
        EXPECT_FALSE(uri.HadPassword());
    }
    EXPECT_EQ(TRemoteUri::Parse("SFTP://Anna@Host:22/x").Uri(), "sftp://Anna@Host:22/x");
}

TEST(RemoteUri, OtherSchemesAndPlainTextAreNotRemotePlaces)
{
    const QString use = ": use sftp://, smb://, ftp://, dav:// or davs://.";
    EXPECT_EQ(Refusal("http://example.org/"),
              "\"http://\" is not a remote place this program opens" + use);
    EXPECT_EQ(Refusal("file:///home"),
              "\"file://\" is not a remote place this program opens" + use);
    EXPECT_EQ(Refusal("sftps://h/"), "\"sftps://\" is not a remote place this program opens" + use);
    EXPECT_EQ(Refusal("/home/anna"),
              "\"/home/anna\" is not a remote place this program opens" + use);
    EXPECT_EQ(Refusal("sftp:/host/x"),
              "\"sftp:/host/x\" is not a remote place this program opens" + use);
    EXPECT_EQ(Refusal("://host/"), "\"://host/\" is not a remote place this program opens" + use);
    // Text that may hold a password is not quoted.
    EXPECT_EQ(Refusal("anna:secret@host"),
              "This address is not a remote place this program opens" + use);
    EXPECT_EQ(Refusal("   "), "Type the address of a server, as in sftp://user@host/folder.");
}

TEST(RemoteUri, AServerIsNeeded)
{
    const QString none =
        "The address names no server: it goes after the \"//\", as in sftp://host/folder.";
    EXPECT_EQ(Refusal("sftp://"), none);
    EXPECT_EQ(Refusal("sftp:///home"), none);
    EXPECT_EQ(Refusal("sftp://anna@/home"), none);
    EXPECT_EQ(Refusal("sftp://:22/home"), none);
    EXPECT_EQ(Refusal("ftp://@host/"),
              "A user name goes before the \"@\", as in ftp://user@host/.");
    const QString badName = "A server name holds only letters, digits, \"-\", \"_\" and dots "
                            "between them.";
    for (const char* typed : {"sftp://my host/", "sftp://.host/", "sftp://host./", "sftp://a..b/",
                              "sftp://ho%73t/", "sftp://h!/"})
        EXPECT_EQ(Refusal(typed), badName) << typed;
}

TEST(RemoteUri, PortsFromOneTo65535)
{
    const QString bad = "The port after the \":\" must be a number from 1 to 65535.";
    for (const char* typed : {"sftp://h:0/", "sftp://h:65536/", "sftp://h:/", "sftp://h:22a/",
                              "sftp://h:-1/", "sftp://h:99999999999999999999/", "sftp://[::1]:/",
                              "sftp://[::1]:70000/", "sftp://h: 22/"})
        EXPECT_EQ(Refusal(typed), bad) << typed;
    EXPECT_EQ(TRemoteUri::Parse("sftp://h:00022/").Port(), 22);
}

TEST(RemoteUri, Ipv6AddressesGoInBrackets)
{
    const TRemoteUri loop = TRemoteUri::Parse("sftp://anna@[::1]:2222/srv");
    ASSERT_TRUE(loop.IsValid());
    EXPECT_EQ(loop.Host(), "::1");
    EXPECT_EQ(loop.Port(), 2222);
    EXPECT_EQ(loop.Uri(), "sftp://anna@[::1]:2222/srv");
    for (const char* host : {"::", "fe80::1", "2001:db8:0:0:0:0:2:1", "2001:db8::2:1",
                             "::ffff:192.0.2.128", "1:2:3:4:5:6:1.2.3.4", "1::", "::1.2.3.4"})
        EXPECT_TRUE(TRemoteUri::Parse(QStringLiteral("smb://[%1]/s").arg(host)).IsValid()) << host;
    const QString notIpv6 = "The server in brackets is not an IPv6 address.";
    for (const char* host :
         {"", "fe80:::1", "1::2::3", "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7", "12345::1", "g::1",
          "::1.2.3", "::256.1.1.1", "1:2:3:4:5:6:7:1.2.3.4", "host", "fe80::1%25eth0", ":1::"})
        EXPECT_EQ(Refusal(QStringLiteral("smb://[%1]/s").arg(host)), notIpv6) << host;
    EXPECT_EQ(Refusal("sftp://fe80::1/"),
              "An IPv6 address goes in brackets, as in sftp://[fe80::1]/.");
    EXPECT_EQ(Refusal("sftp://[::1/"), "The IPv6 address has no closing \"]\".");
    EXPECT_EQ(Refusal("sftp://[::1]x/"), "Only a port, as in \":22\", may follow the \"]\".");
}

TEST(RemoteUri, EscapesAreDecodedAndWrittenBackWhereNeeded)
{
    const TRemoteUri uri =
        TRemoteUri::Parse("sftp://j%C3%BCrgen%40work@host/Musik/%C3%84rzte%20100%25/a#b?c");
    ASSERT_TRUE(uri.IsValid()) << uri.Error().toStdString();
    EXPECT_EQ(uri.User(), QString::fromUtf8("jürgen@work"));
    EXPECT_EQ(uri.Path(), QString::fromUtf8("/Musik/Ärzte 100%/a#b?c"));
    EXPECT_EQ(uri.Uri(), "sftp://j%C3%BCrgen%40work@host/Musik/%C3%84rzte%20100%25/a%23b%3Fc");
    EXPECT_EQ(uri.DisplayForm(),
              QString::fromUtf8("sftp://jürgen%40work@host/Musik/Ärzte 100%25/a#b?c"));
    // Both forms name the same place again.
    for (const QString& form : {uri.Uri(), uri.DisplayForm()}) {
        const TRemoteUri again = TRemoteUri::Parse(form);
        EXPECT_EQ(again.User(), uri.User());
        EXPECT_EQ(again.Host(), uri.Host());
        EXPECT_EQ(again.Path(), uri.Path());
    }
    // Blanks at the end stay escaped: the parser trims what is typed.
    const TRemoteUri blank = TRemoteUri::Parse("ftp://h/a%20%20");
    EXPECT_EQ(blank.DisplayForm(), "ftp://h/a%20%20");
    EXPECT_EQ(TRemoteUri::Parse(blank.DisplayForm()).Path(), "/a  ");
    // Raw text that is not ASCII is taken as typed.
    EXPECT_EQ(TRemoteUri::Parse(QString::fromUtf8("ftp://h/Ärzte")).Path(),
              QString::fromUtf8("/Ärzte"));

    const QString broken = "The path holds a \"%\" not followed by two hexadecimal digits (a "
                           "%-sign itself is written %25).";
    EXPECT_EQ(Refusal("sftp://h/100%"), broken);
    EXPECT_EQ(Refusal("sftp://h/%4"), broken);
    EXPECT_EQ(Refusal("sftp://h/%zz"), broken);
    EXPECT_EQ(Refusal("sftp://a%g1@h/"),
              "The user name holds a \"%\" not followed by two hexadecimal digits (a %-sign "
              "itself is written %25).");
    EXPECT_EQ(Refusal("sftp://h/%C3"), "The path holds escapes that are not UTF-8 text.");
    EXPECT_EQ(Refusal("sftp://h/%FF%FE"), "The path holds escapes that are not UTF-8 text.");
    EXPECT_EQ(Refusal("sftp://h/a%00b"), "The path holds a control character.");
    EXPECT_EQ(Refusal("sftp://a%0Ab@h/"), "The user name holds a control character.");
    EXPECT_EQ(Refusal("sftp://h/a\tb"), "The address holds a control character.");
}

TEST(RemoteUri, APasswordTypedIsDroppedAndNeverShown)
{
    const TRemoteUri uri = TRemoteUri::Parse("sftp://anna:s3cr%40t:x@host:22/home");
    ASSERT_TRUE(uri.IsValid()) << uri.Error().toStdString();
    EXPECT_TRUE(uri.HadPassword());
    EXPECT_EQ(uri.User(), "anna");
    EXPECT_EQ(uri.DisplayForm(), "sftp://anna@host:22/home");
    EXPECT_EQ(uri.Uri(), "sftp://anna@host:22/home");
    // An empty password is a password typed too.
    EXPECT_TRUE(TRemoteUri::Parse("ftp://anna:@host").HadPassword());
    // No refusal quotes it, whatever else is wrong.
    for (const char* typed :
         {"sftp://anna:s3cret@/x", "sftp://anna:s3cret@h:0/x", "http://anna:s3cret@h/",
          "sftp://anna:s3cret@h/%zz", "sftp://:s3cret@h/", "sftp://anna:s3cret@[::1/",
          "anna:s3cret@host", "sftp://anna:s3cret@h!/", "sftp://anna:s3c/ret@h/"})
        EXPECT_FALSE(Refusal(typed).contains("s3c")) << typed;
}
