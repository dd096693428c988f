// CallCatching(function, a, b): calls function(a, b) as compiled code calls a framework routine
// inside a Try block, and answers the exception it raised (the handler's variable, whose
// reference goes to the caller), or 0 when it raised none.
        .intel_syntax noprefix
        .text

        .globl CallCatching
        .type CallCatching, @function
CallCatching:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
        push dword ptr [ebp+16]
        push dword ptr [ebp+12]
        call dword ptr [ebp+8]
        add esp, 8
        .byte 0xE9                      // handler header: exception into [ebp-4]
        .long 1f - 0f
0:      .long 0x411
        .word 0, -4
        lea esp, [ebp-8]
1:      mov eax, dword ptr [ebp-4]
        leave
        ret

        .section .note.GNU-stack,"",@progbits
