/* The exception test application: framework routines that raise out of bounds from inside,
 * called by compiled functions with handler regions, as the language's compiler lays them out.
 * What it observes goes to ExcImageRecord / ExcImageRecordException, which the test exports. */
        .intel_syntax noprefix
        .text

.macro HANDLER_HEADER skipTo, variable
        .byte 0xE9
        .long \skipTo - (. + 4)
        .long 0x411
        .word 0
        .word \variable
.endm

/* Entry: an Int32 array with upper bound 2 at [ebp-4], then each case in turn. */
        .globl QVEntry
        .type QVEntry, @function
QVEntry:
        push ebp
        mov ebp, esp
        sub esp, 8
        call RuntimeInitExternalClasses
        push 2
        push 0
        push 1
        call CreateArray
        add esp, 12
        mov dword ptr [ebp-4], eax
        push eax
        call ImgOuter
        add esp, 4
        push dword ptr [ebp-4]
        call ImgNoHandler
        add esp, 4
        push dword ptr [ebp-4]
        call RuntimeUnlockArray
        add esp, 4
        leave
        ret

/* Reads element 99 through the array's table (position 0), then records that it ran on. */
        .globl ImgInner
        .type ImgInner, @function
ImgInner:
        push ebp
        mov ebp, esp
        mov eax, dword ptr [ebp+8]
        mov ecx, dword ptr [eax+4]
        push 99
        push eax
        call dword ptr [ecx]
        add esp, 8
        push 0
        push 1
        call ExcImageRecord
        add esp, 8
        leave
        ret

/* Its handler lies two compiled frames above the raise. */
        .globl ImgOuter
        .type ImgOuter, @function
ImgOuter:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
        push dword ptr [ebp+8]
        call ImgInner
        add esp, 4
        HANDLER_HEADER 1f, -4
        lea esp, [ebp-8]
        push dword ptr [ebp-4]
        push 2
        call ExcImageRecordException
        add esp, 8
        push dword ptr [ebp-4]
        call RuntimeUnlockObject
        add esp, 4
1:      leave
        ret

/* No handler anywhere above: the raise takes the unhandled path and the call returns. */
        .globl ImgNoHandler
        .type ImgNoHandler, @function
ImgNoHandler:
        push ebp
        mov ebp, esp
        mov eax, dword ptr [ebp+8]
        mov ecx, dword ptr [eax+4]
        push 99
        push eax
        call dword ptr [ecx]
        add esp, 8
        push 0
        push 3
        call ExcImageRecord
        add esp, 8
        leave
        ret

        .section .note.GNU-stack,"",@progbits
