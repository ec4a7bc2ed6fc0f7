#include "checks/uFileDiff.h"

#include "platform/FileNames.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

namespace
{

QString Number(int line)
{
    return line > 0 ? QString::number(line).rightJustified(6) : QString(6, ' ');
}

} // namespace

TfFileDiff::TfFileDiff(QWidget* parent, const QString& a, const QString& b, const TLineDiff& diff)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Compare files"));
    auto* layout = new QVBoxLayout(this);
    Heading = new QLabel(
        QStringLiteral("- %1\n+ %2").arg(platform::DisplayName(a), platform::DisplayName(b)), this);
    Heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Heading);
    Text = new QPlainTextEdit(this);
    Text->setReadOnly(true);
    Text->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(Text);

    QStringList lines;
    std::vector<TDiffLine::TKind> kinds;
    int lastA = 0, lastB = 0;
    for (const TDiffLine& line : diff.Lines) {
        // A jump in either numbering starts a new hunk.
        const bool gap =
            (line.LineA && line.LineA != lastA + 1) || (line.LineB && line.LineB != lastB + 1);
        if (gap && !lines.isEmpty()) {
            lines << QStringLiteral("        ⋯");
            kinds.push_back(TDiffLine::TKind::Same);
        }
        if (line.LineA)
            lastA = line.LineA;
        if (line.LineB)
            lastB = line.LineB;
        const QChar mark = line.Kind == TDiffLine::TKind::Removed ? '-'
                           : line.Kind == TDiffLine::TKind::Added ? '+'
                                                                  : ' ';
        lines << Number(line.LineA) + ' ' + Number(line.LineB) + ' ' + mark + ' ' +
                     QString::fromUtf8(line.Text);
        kinds.push_back(line.Kind);
    }
    if (diff.Lines.empty())
        lines << QStringLiteral("The texts differ only in their line ends.");
    Text->setPlainText(lines.join('\n'));
    // Colours by block: removed red, added green.
    QTextBlock block = Text->document()->firstBlock();
    for (size_t i = 0; i < kinds.size() && block.isValid(); ++i, block = block.next()) {
        if (kinds[i] == TDiffLine::TKind::Same)
            continue;
        QTextCursor cursor(block);
        QTextBlockFormat format = cursor.blockFormat();
        format.setBackground(kinds[i] == TDiffLine::TKind::Removed ? QColor(255, 220, 220)
                                                                   : QColor(215, 245, 215));
        cursor.setBlockFormat(format);
    }
    resize(760, 520);
}
