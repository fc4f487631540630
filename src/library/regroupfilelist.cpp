#include "regroupfilelist.h"

#include "hwdevicetreeview.h"
#include "lufileinfomodel.h"

void regroupFileList(QList<LuFileInfoModel *> &list, HWDeviceTreeView *view)
{
    sortAndLinkFileList(list);
    if (view)
        view->setFileList(list);
}
