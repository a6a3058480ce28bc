#include "state/project_preload.h"

#include "config/app_config.h"

#include "vorlain/kestrum.h"

namespace app {

CProjectPreload::CProjectPreload(const QString& project, const QString& tempPath)
    : m_project(project), m_tempPath(tempPath)
{
    const QByteArray base = tempPath.toUtf8();
    m_session = Kestrum_Open(base.isEmpty() ? nullptr : base.constData());
    if (!m_session)
        return;
    m_reader = std::thread([this, file = project.toUtf8()] {
        m_opened = Kestrum_OpenProject(m_session, file.constData()) != 0;
    });
}

CProjectPreload::~CProjectPreload()
{
    Wait();
    if (m_session && !m_taken)
        Kestrum_Close(m_session);
}

CEditSession* CProjectPreload::TakeSession()
{
    m_taken = true;
    return m_session;
}

bool CProjectPreload::Wait()
{
    const std::lock_guard lock(m_join);
    if (m_reader.joinable())
        m_reader.join();
    return m_opened;
}

std::shared_ptr<CProjectPreload> PreloadProject(const QString& project)
{
    const QString tempPath = ReadTmpPath();
    const QByteArray base = tempPath.toUtf8();
    char document[vorlain::kPathChars] = {};
    if (Kestrum_FindRecovery(base.isEmpty() ? nullptr : base.constData(), document))
        return nullptr;
    return std::make_shared<CProjectPreload>(project, tempPath);
}

} // namespace app
