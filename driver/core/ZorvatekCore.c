#include "ZorvatekCore.h"

/* The ring indices and the capture flag are shared between the interrupt path and the waiting
 * thread, possibly on another processor: a byte must be in the ring before the index that
 * publishes it. */
static uint32_t LoadShared(const volatile uint32_t* value) {
    return __atomic_load_n(value, __ATOMIC_ACQUIRE);
}
static void StoreShared(volatile uint32_t* value, uint32_t newValue) {
    __atomic_store_n(value, newValue, __ATOMIC_RELEASE);
}

static void ZeroBytes(void* target, size_t count) {
    volatile uint8_t* p = (volatile uint8_t*)target;
    while (count-- > 0) {
        *p++ = 0;
    }
}

static void CopyBytes(void* target, const void* source, size_t count) {
    volatile uint8_t* t = (volatile uint8_t*)target;
    const uint8_t* s = (const uint8_t*)source;
    while (count-- > 0) {
        *t++ = *s++;
    }
}

static uint32_t NextIndex(uint32_t index) {
    return index == ZV_RING_SIZE - 1 ? 0 : index + 1;
}

void ZvInitFilterExtension(ZV_DEVICE_EXTENSION* ext, const ZV_KERNEL_SERVICES* services, void* filterDevice,
                           void* physicalDevice, void* lowerDevice, void* dataEvent, void* ringLock,
                           void* platform) {
    ZeroBytes(ext, sizeof *ext);
    ext->Services = services;
    ext->Platform = platform;
    ext->FilterDevice = filterDevice;
    ext->PhysicalDevice = physicalDevice;
    ext->LowerDevice = lowerDevice;
    ext->PowerState = ZV_POWER_D0;
    ext->DataEvent = dataEvent;
    ext->RingLock = ringLock;
}

void ZvInitControlExtension(ZV_DEVICE_EXTENSION* control, ZV_DEVICE_EXTENSION* filter, void* controlDevice,
                            void* platform) {
    ZeroBytes(control, sizeof *control);
    control->Services = filter->Services;
    control->Platform = platform;
    control->FilterDevice = filter->FilterDevice;
    control->IsControlDevice = 1;
    filter->ControlDevice = controlDevice;
}

/* ---- ring ---- */

uint8_t ZvRingAppend(ZV_DEVICE_EXTENSION* ext, uint8_t byte) {
    uint32_t write = LoadShared(&ext->RingWrite);
    uint32_t next = NextIndex(write);
    if (next == LoadShared(&ext->RingRead)) {
        return 0;
    }
    ext->Ring[write] = byte;
    StoreShared(&ext->RingWrite, next);
    return 1;
}

uint8_t ZvRingTake(ZV_DEVICE_EXTENSION* ext, uint8_t* byte) {
    uint32_t read = LoadShared(&ext->RingRead);
    uint8_t taken = 0;
    if (read != LoadShared(&ext->RingWrite)) {
        *byte = ext->Ring[read];
        StoreShared(&ext->RingRead, NextIndex(read));
        taken = 1;
    }
    ZvUpdateDataEvent(ext);
    return taken;
}

uint32_t ZvRingCount(const ZV_DEVICE_EXTENSION* ext) {
    uint32_t write = LoadShared(&ext->RingWrite);
    uint32_t read = LoadShared(&ext->RingRead);
    return (write + ZV_RING_SIZE - read) % ZV_RING_SIZE;
}

void ZvUpdateDataEvent(ZV_DEVICE_EXTENSION* ext) {
    const ZV_KERNEL_SERVICES* k = ext->Services;
    uint8_t previous = k->AcquireRingLock(ext);
    if (LoadShared(&ext->RingRead) == LoadShared(&ext->RingWrite)) {
        k->ClearDataEvent(ext);
    } else {
        k->SetDataEvent(ext);
    }
    k->ReleaseRingLock(ext, previous);
}

void ZvRingFlush(ZV_DEVICE_EXTENSION* ext) {
    StoreShared(&ext->RingRead, LoadShared(&ext->RingWrite));
    ZvUpdateDataEvent(ext);
}

void ZvStartCapture(ZV_DEVICE_EXTENSION* ext) {
    ZvRingFlush(ext);
    __atomic_store_n(&ext->Capturing, 1, __ATOMIC_SEQ_CST);
}

void ZvStopCapture(ZV_DEVICE_EXTENSION* ext) {
    __atomic_store_n(&ext->Capturing, 0, __ATOMIC_SEQ_CST);
}

/* ---- controller ---- */

ZV_STATUS ZvWaitControllerReady(ZV_DEVICE_EXTENSION* ext) {
    const ZV_KERNEL_SERVICES* k = ext->Services;
    uint32_t poll;
    for (poll = 0; poll < ZV_CONTROLLER_POLLS; ++poll) {
        uint8_t status = k->ReadPort(ext, ZV_PORT_STATUS);
        if (status & ZV_STATUS_OUTPUT_FULL) {
            /* A byte nobody asked for would keep the controller from taking ours. */
            (void)k->ReadPort(ext, ZV_PORT_DATA);
        } else if (!(status & ZV_STATUS_INPUT_FULL)) {
            return ZV_STATUS_SUCCESS;
        } else {
            k->Stall(ext, ZV_CONTROLLER_POLL_STALL_US);
        }
    }
    return ZV_STATUS_IO_TIMEOUT;
}

ZV_STATUS ZvWriteData(ZV_DEVICE_EXTENSION* ext, uint8_t value) {
    ZV_STATUS status = ZvWaitControllerReady(ext);
    if (ZV_SUCCESS(status)) {
        ext->Services->WritePort(ext, ZV_PORT_DATA, value);
    }
    return status;
}

ZV_STATUS ZvWriteCommand(ZV_DEVICE_EXTENSION* ext, uint8_t command) {
    ZV_STATUS status = ZvWaitControllerReady(ext);
    if (ZV_SUCCESS(status)) {
        ext->Services->WritePort(ext, ZV_PORT_STATUS, command);
    }
    return status;
}

ZV_STATUS ZvWriteCommandByte(ZV_DEVICE_EXTENSION* ext, uint8_t value) {
    ZV_STATUS status = ZvWriteCommand(ext, ZV_CMD_WRITE_COMMAND_BYTE);
    if (ZV_SUCCESS(status)) {
        status = ZvWriteData(ext, value);
    }
    return status;
}

/* ---- receiving ---- */

static ZV_STATUS WaitForByte(ZV_DEVICE_EXTENSION* ext, int64_t timeout, uint8_t* byte) {
    if (ext->Services->WaitForData(ext, timeout) != ZV_STATUS_SUCCESS) {
        /* The interrupt path stores a byte before its DPC tells the event about it; a byte that
         * is already there counts even when the DPC has not run yet. */
        return ZvRingTake(ext, byte) ? ZV_STATUS_SUCCESS : ZV_STATUS_IO_TIMEOUT;
    }
    return ZvRingTake(ext, byte) ? ZV_STATUS_SUCCESS : ZV_STATUS_IO_TIMEOUT;
}

ZV_STATUS ZvReceiveAck(ZV_DEVICE_EXTENSION* ext) {
    uint8_t byte = 0;
    ZV_STATUS status = WaitForByte(ext, ZV_ACK_TIMEOUT, &byte);
    if (ZV_SUCCESS(status)) {
        ext->Answer[0] = byte;
        ext->AnswerLength = 1;
    }
    return status;
}

enum { FRAME_SEARCHING, FRAME_LENGTH, FRAME_BODY };

ZV_STATUS ZvReceiveFrame(ZV_DEVICE_EXTENSION* ext) {
    uint8_t highPhase = 0;
    int state = FRAME_SEARCHING;
    uint32_t expected = 0;
    uint32_t taken;
    ext->AnswerLength = 0;
    for (taken = 0; taken < ZV_FRAME_CAPTURE_LIMIT; ++taken) {
        uint8_t byte = 0;
        uint16_t position = ext->AnswerLength;
        ZV_STATUS status = WaitForByte(ext, ZV_BYTE_TIMEOUT, &byte);
        if (!ZV_SUCCESS(status)) {
            return status;
        }
        if (!highPhase) {
            ext->Answer[position] = (uint8_t)(byte & 0x0F);
            highPhase = 1;
            continue;
        }
        ext->Answer[position] = (uint8_t)(ext->Answer[position] + ((byte & 0x0F) << 4));
        highPhase = 0;
        switch (state) {
        case FRAME_SEARCHING:
            /* Anything ahead of the STX is noise; the next byte overwrites it. */
            if (ext->Answer[position] == ZORVATEK_STX) {
                ext->AnswerLength = (uint16_t)(position + 1);
                state = FRAME_LENGTH;
            }
            break;
        case FRAME_LENGTH:
            expected = position + ext->Answer[position] + 2u;
            ext->AnswerLength = (uint16_t)(position + 1);
            state = FRAME_BODY;
            break;
        default:
            ext->AnswerLength = (uint16_t)(position + 1);
            if (ext->AnswerLength == expected) {
                return ZV_STATUS_SUCCESS;
            }
            break;
        }
    }
    return ZV_STATUS_IO_TIMEOUT;
}

/* ---- sending ---- */

/* keepCapture: leave capture on after the last byte has been acknowledged, so that an answer
 * which follows hard on the acknowledgement is already in the ring when the receive starts. */
static ZV_STATUS SendBytes(ZV_DEVICE_EXTENSION* ext, const uint8_t* bytes, uint32_t count,
                           uint8_t keepCapture) {
    uint32_t i;
    for (i = 0; i < count; ++i) {
        uint8_t acknowledged = 0;
        uint32_t attempt;
        for (attempt = 0; attempt < ZV_SEND_ATTEMPTS && !acknowledged; ++attempt) {
            ZV_STATUS status;
            ZvStartCapture(ext);
            status = ZvWriteData(ext, bytes[i]);
            if (ZV_SUCCESS(status)) {
                status = ZvReceiveAck(ext);
            }
            acknowledged = ZV_SUCCESS(status) && ext->Answer[0] == ZORVATEK_KBD_ACK;
            if (!(acknowledged && keepCapture && i + 1 == count)) {
                ZvStopCapture(ext);
            }
        }
        if (!acknowledged) {
            return ZV_STATUS_IO_TIMEOUT;
        }
    }
    return ZV_STATUS_SUCCESS;
}

ZV_STATUS ZvSendWithAck(ZV_DEVICE_EXTENSION* ext, const uint8_t* bytes, uint32_t count) {
    return SendBytes(ext, bytes, count, 0);
}

ZV_STATUS ZvSilence(ZV_DEVICE_EXTENSION* ext) {
    static const uint8_t disable = ZORVATEK_KBD_DISABLE;
    return ZvSendWithAck(ext, &disable, 1);
}

void ZvRestore(ZV_DEVICE_EXTENSION* ext) {
    static const uint8_t enable = ZORVATEK_KBD_ENABLE;
    uint8_t typematic[ZV_TYPEMATIC_SIZE];
    /* The keyboard forgot its rate and delay when it was silenced; the port driver sends the
     * ones last set. The internal dispatch copies the request's input back into the extension,
     * so the request gets its own copy. */
    CopyBytes(typematic, ext->Typematic, sizeof typematic);
    (void)ext->Services->SendInternalRequest(ext, ZV_IOCTL_KEYBOARD_SET_TYPEMATIC, typematic,
                                             (uint32_t)sizeof typematic);
    (void)ZvSendWithAck(ext, &enable, 1);
}

/* ---- control requests ---- */

ZV_STATUS ZvExchange(ZV_DEVICE_EXTENSION* ext, const uint8_t* frame, uint32_t frameLength, uint8_t* output,
                     uint32_t outputLength, uint32_t* information) {
    ZV_STATUS status;
    *information = 0;

    status = ZvWriteCommand(ext, ZV_CMD_DISABLE_AUX);
    if (ZV_SUCCESS(status)) {
        status = ZvWriteCommandByte(ext, ZV_COMMAND_BYTE_EXCHANGE);
    }
    if (ZV_SUCCESS(status)) {
        status = ZvSilence(ext);
    }
    if (ZV_SUCCESS(status)) {
        status = SendBytes(ext, frame, frameLength, 1);
    }
    if (ZV_SUCCESS(status)) {
        if (!__atomic_load_n(&ext->Capturing, __ATOMIC_SEQ_CST)) {
            ZvStartCapture(ext); /* an empty frame sent nothing and started nothing */
        }
        status = ZvReceiveFrame(ext);
    }
    ZvStopCapture(ext);
    if (ZV_SUCCESS(status)) {
        if (outputLength < ext->AnswerLength) {
            status = ZV_STATUS_BUFFER_TOO_SMALL;
        } else {
            CopyBytes(output, ext->Answer, ext->AnswerLength);
            *information = ext->AnswerLength;
        }
    }

    /* Whatever went wrong, the keyboard and the mouse must work again afterwards. */
    if (ZV_SUCCESS(ZvWriteCommandByte(ext, ZV_COMMAND_BYTE_NORMAL))) {
        ZvRestore(ext);
    }
    (void)ZvWriteCommand(ext, ZV_CMD_ENABLE_AUX);
    return status;
}

ZV_STATUS ZvDeviceControl(ZV_DEVICE_EXTENSION* ext, uint32_t code, const void* input, uint32_t inputLength,
                          void* output, uint32_t outputLength, uint32_t* information) {
    ZV_DEVICE_EXTENSION* filter;
    *information = 0;
    if (!ext->IsControlDevice) {
        return ZV_STATUS_SUCCESS;
    }
    if ((input == NULL && inputLength > 0) || (output == NULL && outputLength > 0)) {
        return ZV_STATUS_INVALID_PARAMETER;
    }
    filter = ext->FilterDevice != NULL ? ext->Services->ExtensionOf(ext->FilterDevice) : NULL;
    switch (code) {
    case IOCTL_FILTER_SEND:
        if (filter == NULL) {
            return ZV_STATUS_INVALID_DEVICE_STATE;
        }
        return ZvSendWithAck(filter, (const uint8_t*)input, inputLength);
    case IOCTL_FILTER_EXCHANGE:
        if (filter == NULL) {
            return ZV_STATUS_INVALID_DEVICE_STATE;
        }
        return ZvExchange(filter, (const uint8_t*)input, inputLength, (uint8_t*)output, outputLength,
                          information);
    case IOCTL_FILTER_VERSION: {
        uint8_t* out = (uint8_t*)output;
        if (outputLength < 4) {
            return ZV_STATUS_BUFFER_TOO_SMALL;
        }
        out[0] = (uint8_t)(ZORVATEK_VERSION & 0xFF);
        out[1] = (uint8_t)((ZORVATEK_VERSION >> 8) & 0xFF);
        out[2] = (uint8_t)((ZORVATEK_VERSION >> 16) & 0xFF);
        out[3] = (uint8_t)((ZORVATEK_VERSION >> 24) & 0xFF);
        *information = 4;
        return ZV_STATUS_SUCCESS;
    }
    default:
        return ZV_STATUS_SUCCESS;
    }
}

/* ---- dispatch decisions ---- */

static ZV_DECISION Decide(ZV_ACTION action, ZV_STATUS status, uint8_t setStatus) {
    ZV_DECISION decision;
    decision.Action = action;
    decision.Status = status;
    decision.SetStatus = setStatus;
    return decision;
}

static ZV_DECISION CompleteWith(ZV_STATUS status) {
    return Decide(ZV_COMPLETE, status, 1);
}
static ZV_DECISION PassDown(void) {
    return Decide(ZV_PASS_DOWN, ZV_STATUS_SUCCESS, 0);
}

ZV_DECISION ZvDispatchCreate(ZV_DEVICE_EXTENSION* ext) {
    if (ext->IsControlDevice) {
        return CompleteWith(ZV_STATUS_SUCCESS);
    }
    if (ext->ClassConnection.ClassService == NULL) {
        return Decide(ZV_PASS_DOWN, ZV_STATUS_INVALID_DEVICE_STATE, 1);
    }
    ext->Services->InterlockedIncrement(&ext->OpenCount);
    return PassDown();
}

ZV_DECISION ZvDispatchClose(ZV_DEVICE_EXTENSION* ext) {
    if (ext->IsControlDevice) {
        return CompleteWith(ZV_STATUS_SUCCESS);
    }
    ext->Services->InterlockedDecrement(&ext->OpenCount);
    return PassDown();
}

ZV_DECISION ZvDispatchOther(ZV_DEVICE_EXTENSION* ext) {
    return ext->IsControlDevice ? CompleteWith(ZV_STATUS_SUCCESS) : PassDown();
}

ZV_DECISION ZvDispatchInternal(ZV_DEVICE_EXTENSION* ext, uint32_t code, void* input, uint32_t inputLength) {
    if (ext->IsControlDevice) {
        return CompleteWith(ZV_STATUS_SUCCESS);
    }
    switch (code) {
    case ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT: {
        ZV_CONNECT_DATA* connect = (ZV_CONNECT_DATA*)input;
        if (ext->ClassConnection.ClassService != NULL) {
            return CompleteWith(ZV_STATUS_SHARING_VIOLATION);
        }
        if (connect == NULL || inputLength < sizeof(ZV_CONNECT_DATA)) {
            return CompleteWith(ZV_STATUS_INVALID_PARAMETER);
        }
        ext->ClassConnection = *connect;
        connect->ClassDeviceObject = ext->FilterDevice;
        connect->ClassService = ext->Services->ServiceCallback;
        return PassDown();
    }
    case ZV_IOCTL_INTERNAL_KEYBOARD_DISCONNECT:
        return CompleteWith(ZV_STATUS_NOT_IMPLEMENTED);
    case ZV_IOCTL_INTERNAL_I8042_HOOK_KEYBOARD: {
        ZV_HOOK_KEYBOARD* hook = (ZV_HOOK_KEYBOARD*)input;
        if (hook == NULL || inputLength < sizeof(ZV_HOOK_KEYBOARD)) {
            return CompleteWith(ZV_STATUS_INVALID_PARAMETER);
        }
        ext->HookContext = hook->Context;
        hook->Context = ext->FilterDevice;
        ext->NextInitializationRoutine = hook->InitializationRoutine;
        ext->NextInterruptHook = hook->IsrRoutine;
        hook->InitializationRoutine = ext->Services->InitializationRoutine;
        hook->IsrRoutine = ext->Services->InterruptHook;
        ext->WritePortRoutine = hook->IsrWritePort;
        ext->QueuePacketRoutine = hook->QueueKeyboardPacket;
        ext->CallContext = hook->CallContext;
        return PassDown();
    }
    case ZV_IOCTL_KEYBOARD_SET_TYPEMATIC:
        if (input != NULL && inputLength >= ZV_TYPEMATIC_SIZE) {
            CopyBytes(ext->Typematic, input, ZV_TYPEMATIC_SIZE);
        }
        return PassDown();
    default:
        return PassDown();
    }
}

ZV_DECISION ZvDispatchPower(ZV_DEVICE_EXTENSION* ext, uint8_t setsDevicePower, uint32_t deviceState) {
    if (ext->IsControlDevice) {
        return CompleteWith(ZV_STATUS_SUCCESS);
    }
    if (setsDevicePower) {
        ext->PowerState = deviceState;
    }
    return Decide(ZV_POWER_PASS_DOWN, ZV_STATUS_SUCCESS, 0);
}

ZV_DECISION ZvDispatchPnp(ZV_DEVICE_EXTENSION* ext, uint8_t minor) {
    if (ext->IsControlDevice) {
        return CompleteWith(ZV_STATUS_SUCCESS);
    }
    switch (minor) {
    case ZV_PNP_START_DEVICE:
        return Decide(ZV_PASS_DOWN_AND_WAIT, ZV_STATUS_SUCCESS, 0);
    case ZV_PNP_SURPRISE_REMOVAL:
        ext->SurpriseRemoved = 1;
        return PassDown();
    case ZV_PNP_REMOVE_DEVICE:
        ext->Removed = 1;
        return Decide(ZV_PASS_DOWN_AND_REMOVE, ZV_STATUS_SUCCESS, 1);
    default:
        return PassDown();
    }
}

ZV_STATUS ZvPnpStartCompleted(ZV_DEVICE_EXTENSION* ext, ZV_STATUS lowerStatus) {
    if (ZV_SUCCESS(lowerStatus)) {
        ext->Started = 1;
        ext->SurpriseRemoved = 0;
        ext->Removed = 0;
    }
    return lowerStatus;
}

/* ---- keyboard path ---- */

ZV_STATUS ZvInitializationRoutine(ZV_DEVICE_EXTENSION* ext, ZV_CALL_NEXT_INITIALIZATION callNext,
                                  void* context, uint8_t* turnTranslationOn) {
    ZV_STATUS status = ZV_STATUS_SUCCESS;
    ext->Services->DebugPrint(ext, "KbFilter_InitializationRoutine\n");
    if (ext->NextInitializationRoutine != NULL && callNext != NULL) {
        status = callNext(ext, context);
        if (!ZV_SUCCESS(status)) {
            return status;
        }
    }
    *turnTranslationOn = 1;
    return status;
}

uint8_t ZvInterruptHook(ZV_DEVICE_EXTENSION* ext, uint8_t byte) {
    if (!__atomic_load_n(&ext->Capturing, __ATOMIC_SEQ_CST)) {
        return 1;
    }
    /* The byte goes into the ring here and now. Handing it to the DPC as its argument would
     * lose every byte that arrives while the one DPC is still queued. The DPC only brings the
     * data event up to date, and one run of it covers all bytes stored before it. */
    (void)ZvRingAppend(ext, byte);
    (void)ext->Services->QueueDpc(ext, byte);
    return 0;
}

void ZvDpcRoutine(ZV_DEVICE_EXTENSION* ext) {
    ZvUpdateDataEvent(ext);
}
