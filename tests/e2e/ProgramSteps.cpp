#include "ProgramSteps.h"

#include <gtest/gtest.h>

void Click(CProgramProcess& program, const QString& name)
{
    ASSERT_EQ(program.Request(QStringLiteral("click ") + name), QStringLiteral("ok")) << name.toStdString();
}

void Fill(CProgramProcess& program, const QString& field, const QString& text)
{
    ASSERT_EQ(program.Request(QStringLiteral("key %1 Ctrl+A").arg(field)), QStringLiteral("ok"));
    ASSERT_EQ(program.Request(QStringLiteral("type %1 \"%2\"").arg(field, text)), QStringLiteral("ok"));
    ASSERT_TRUE(program.WaitFor([&] { return program.Text(field) == text; }))
        << field.toStdString() << " shows " << program.Text(field).toStdString();
}

void OpenConnectionDialog(CProgramProcess& program, const QString& menuButton)
{
    Click(program, menuButton);
    ASSERT_TRUE(program.WaitFor([&] { return program.IsWindowOpen(QStringLiteral("CConnectionDlg")); }))
        << program.Label().toStdString() << ": no connection dialog; messages: " << MessagesLine(program);
}

std::string MessagesLine(CProgramProcess& program)
{
    return program.MessageTexts().join(QStringLiteral(" | ")).toStdString();
}

void ExpectCleanEnds(const std::vector<std::unique_ptr<CProgramProcess>>& programs)
{
    for (auto it = programs.rbegin(); it != programs.rend(); ++it)
        ExpectCleanEnd(**it);
}

void ExpectQuitsCleanly(CProgramProcess& program)
{
    EXPECT_TRUE(program.Quit()) << program.Label().toStdString() << ": " << program.ErrorOutput().toStdString();
    ExpectCleanEnd(program);
}

void ExpectCleanEnd(CProgramProcess& program)
{
    if (program.IsRunning())
    {
        EXPECT_TRUE(program.Quit()) << program.Label().toStdString();
    }
    const QString errors = program.ErrorOutput();
    EXPECT_FALSE(errors.contains(QStringLiteral("runtime error:"))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QStringLiteral("Sanitizer"))) << errors.toStdString();
}
