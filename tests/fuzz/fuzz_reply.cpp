// A line from a box's connection, as the reply parser takes it: heartbeats
// and replies from many connections, one service for the whole run, so the
// bounds on what peers can make it hold are tried too.
#include "link/cmd.h"
#include "registry/MacGroup.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static MacGruoup registry;
    static Cmd_API *cmd = [] {
        auto *service = new Cmd_API(registry, nullptr);
        service->AttachLink(nullptr, nullptr);
        // A known box on one connection, so replies from it are read.
        service->ParseReply(QStringLiteral("10.0.0.1"), 5000,
                            "heatbeat 10.0.0.1 00:11:22:33:44:55 1.0 0 0 100 50 01-03-2026-12:00:00");
        return service;
    }();
    if (size == 0)
        return 0;
    // The first byte picks one of 64 connections, the rest is the line.
    const int port = 5000 + data[0] % 64;
    const QByteArray message(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const ParsedReply reply = cmd->ParseReply(QStringLiteral("10.0.0.1"), port, message);
    if (reply.fileNames && (reply.fileNames->isEmpty() || reply.fileNames->first().isEmpty()))
        __builtin_trap();
    if (reply.record && reply.status != 0)
        __builtin_trap();
    if (cmd->PendingFileNameLists() > Cmd_API::kMaxTransfers || cmd->MapSize() > Cmd_API::kMaxMapEntries)
        __builtin_trap();
    if (reply.record)
        registry.MergeHeartbeat(*reply.record);
    return 0;
}
