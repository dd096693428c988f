// TryInvoke(object, name): Invoke name on an OLEObject inside a Try, laid out as the
// language's compiler lays one out; the exception caught goes to OnOLEException.
        .intel_syntax noprefix
        .text

        .globl TryInvoke
        .type TryInvoke, @function
TryInvoke:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
        push dword ptr [ebp+12]
        push dword ptr [ebp+8]
        call OLEObjectInvokeNoReturnValue
        add esp, 8
        .byte 0xE9                      // handler header: exception into [ebp-4]
        .long 1f - 0f
0:      .long 0x411
        .word 0, -4
        lea esp, [ebp-8]
        push dword ptr [ebp-4]
        call OnOLEException
        push dword ptr [ebp-4]
        call RuntimeUnlockObject
1:      leave
        ret

        .section .note.GNU-stack,"",@progbits
