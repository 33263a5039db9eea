#include "SampleDatabase.h"

#include "commands/CommandDatabaseImpl.h"

// A few folders of commands, so the Command Manager has something to show.
bool SeedSampleCommands()
{
    const auto send = [](const char16_t* text, const char16_t* label) {
        ProfileUserButtonMap::Item item;
        item.Function = kFunctionSend;
        item.SetArgument(VUnicodeString(text) + u"\r\n");
        item.Label = label;
        return item;
    };
    CommandDatabaseImpl& commands = *GetCommandDatabaseImpl();
    bool ok = commands.CreateFolderWithCommands(u"", u"Diagnostics",
                                                {send(u"uptime", u"uptime"), send(u"df -h", u"disk space"),
                                                 send(u"free -m", u"memory")});
    ok = commands.CreateFolderWithCommands(u"", u"Web servers",
                                           {send(u"sudo systemctl reload nginx", u"reload nginx"),
                                            send(u"tail -f /var/log/nginx/error.log", u"follow the error log")}) &&
         ok;
    ok = commands.CreateFolderWithCommands(u"Web servers", u"Deploy", {send(u"git pull --ff-only", u"")}) && ok;
    ProfileUserButtonMap::Item login;
    login.Function = kFunctionCredentials;
    login.SetArgument(u"db");
    login.Argument2 = u"username and password";
    ok = commands.InsertCommand(u"", 0, login) && ok;
    ok = commands.InsertCommand(u"", 1, send(u"clear", u"")) && ok;
    return ok;
}
