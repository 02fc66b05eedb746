// The library's own components qpc, qpd and qpi and their registration.
#include <zel/svc_internal.h>

#include "msg/failure_report.h"
#include "msg/status_codes.h"
#include "svc/core/core_state.h"

extern "C" {

zel_svc_subcomp zelmox_client_svc_table[] = {
    {"core", "vrmox.core", 0x3665AFD2, 0},
    {"admin", "vrmox.admin", 0x3665AFD4, 0},
    {"azn-svc", "vrmox.azn-svc", 0x3665AFD3, 0},
    {nullptr, nullptr, 0, 0},
};

zel_svc_subcomp zelmox_deploy_svc_table[] = {
    {"deploy", "vrnet.mox.deploy", 0x3665BFD2, 0},
    {"config", "vrnet.mox.config", 0x3665BFD3, 0},
    {"usage", "vrnet.mox.usage", 0x3665BFD4, 0},
    {"questions", "vrnet.mox.questions", 0x3665BFD5, 0},
    {"moxconfig", "vrnet.mox.moxconfig", 0x3665BFD6, 0},
    {"moxtarn", "vrnet.mox.moxtarn", 0x3665BFD7, 0},
    {nullptr, nullptr, 0, 0},
};

zel_svc_subcomp zelmox_if_svc_table[] = {
    {"keys", "vrmox.keys", 0x36660FD2, 0},
    {"interface", "vrmox.interface", 0x36660FD3, 0},
    {nullptr, nullptr, 0, 0},
};

zel_svc_handle *zelmox_client_svc_handle = nullptr;
zel_svc_handle *zelmox_deploy_svc_handle = nullptr;
zel_svc_handle *zelmox_if_svc_handle = nullptr;

// Registers what is not yet registered, stopping at the first failure.
void zel_svc_init(int flag, unsigned32 *status) {
    auto reg = flag == ZEL_SVC_REGISTER_UNLOCKED ? zel_svc_register2 : zel_svc_register;
    unsigned32 st = 0;
    if (!zelmox_client_svc_handle)
        zelmox_client_svc_handle = reg(zelmox_client_svc_table, "qpc", &st);
    if (st == 0 && !zelmox_deploy_svc_handle) {
        zelmox_deploy_svc_handle = reg(zelmox_deploy_svc_table, "qpd", &st);
    }
    if (st == 0 && !zelmox_if_svc_handle)
        zelmox_if_svc_handle = reg(zelmox_if_svc_table, "qpi", &st);
    // From now on the message layer's failures are records of qpc.
    if (zelmox_client_svc_handle) zel::set_failure_writer(zel::write_failure_record);
    zel::set_status(status, st);
}

}  // extern "C"
